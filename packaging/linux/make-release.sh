#!/usr/bin/env bash
# Makes the Linux release from a built module: the Debian package and the archive.
#   make-release.sh VERSION MODULE OUT_DIR WORK_DIR [CLAP_MODULE]
# CLAP_MODULE, the CLAP plug-in Tivrandel.clap, goes into both when given.
# The build's `release` target runs it with the project version. SOURCE_DATE_EPOCH, when set,
# gives every file in both artifacts its time stamp, so that the same module gives the same
# bytes.
set -euo pipefail
[ $# -eq 4 ] || [ $# -eq 5 ] ||
    { echo "usage: $0 VERSION MODULE OUT_DIR WORK_DIR [CLAP_MODULE]" >&2; exit 2; }
version=$1
module=$(realpath "$2")
out=$(realpath -m "$3")
work=$(realpath -m "$4")
clap=
[ $# -eq 5 ] && clap=$(realpath "$5")
here=$(cd "$(dirname "$0")" && pwd)
packaging=$(dirname "$here")
root=$(dirname "$packaging")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date +%s)}
umask 022

arch=$(dpkg --print-architecture)
case "$arch" in
    amd64) bundle_arch=x86_64-linux tar_arch=x86_64 ;;
    *) echo "no release for $arch" >&2; exit 1 ;;
esac
bundle_binary="Tivrandel64.vst3/Contents/$bundle_arch"
deb="$out/tivrandel_${version}_$arch.deb"
tarball="$out/tivrandel-$version-linux-$tar_arch.tar.gz"

# The changelog's newest entry is this version's: a new version needs an entry saying what it
# brings (its date is the release's, filled in below).
newest=$(sed -n '1s/^tivrandel (\([^)]*\)).*/\1/p' "$here/changelog")
[ "$newest" = "$version" ] || {
    echo "packaging/linux/changelog: the newest entry is for ${newest:-no version}, not $version" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work" "$out"
rm -f "$deb" "$tarball"

# Fills in the version in a text from this folder or packaging/.
changelog_date=$(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")
versioned() { # <file, in this folder or the one above>
    local file=$here/$1
    [ -f "$file" ] || file=$packaging/$1
    sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$changelog_date/" "$file"
}

# The package's tree: the bundle in the system's VST3 folder, the VST2 name a link into it.
tree="$work/deb"
doc="$tree/usr/share/doc/tivrandel"
mkdir -p "$tree/DEBIAN" "$tree/usr/lib/vst3/$bundle_binary" "$tree/usr/lib/vst" "$doc"
install -m 0644 "$module" "$tree/usr/lib/vst3/$bundle_binary/Tivrandel64.so"
ln -s "../vst3/$bundle_binary/Tivrandel64.so" "$tree/usr/lib/vst/Tivrandel64.so"
versioned copyright >"$doc/copyright"
# The CLAP plug-in in the system's CLAP folder; the other modules, for the dependencies below.
other_modules=()
if [ -n "$clap" ]; then
    mkdir -p "$tree/usr/lib/clap"
    install -m 0644 "$clap" "$tree/usr/lib/clap/Tivrandel.clap"
    other_modules+=(-e"$tree/usr/lib/clap/Tivrandel.clap")
fi
# The LV2 bundle, when the build made one, in the system's LV2 folder. Its binary needs the
# same libraries as the VST3 module (one product library under both).
lv2_bundle=${TIVRANDEL_LV2_BUNDLE:-}
install_lv2() { # <destination folder>
    mkdir -p "$1/tivrandel.lv2"
    install -m 0644 "$lv2_bundle/manifest.ttl" "$lv2_bundle/tivrandel.ttl" \
        "$lv2_bundle/tivrandel.so" "$1/tivrandel.lv2/"
}
if [ -n "$lv2_bundle" ]; then
    install_lv2 "$tree/usr/lib/lv2"
    other_modules+=(-e"$tree/usr/lib/lv2/tivrandel.lv2/tivrandel.so")
fi
versioned changelog | gzip -9n >"$doc/changelog.gz"
chmod 0644 "$doc/copyright" "$doc/changelog.gz"

# Dependencies, as Debian's own packages get them: dpkg-shlibdeps reads the module's needed
# libraries and asks the installed packages' symbol files for the versions. It wants a source
# package's control file beside it.
mkdir -p "$work/shlibdeps/debian"
printf 'Source: tivrandel\n\nPackage: tivrandel\nArchitecture: any\n' \
    >"$work/shlibdeps/debian/control"
depends=$(cd "$work/shlibdeps" &&
    dpkg-shlibdeps -O -e"$tree/usr/lib/vst3/$bundle_binary/Tivrandel64.so" "${other_modules[@]}" |
    sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }

installed_size=$(du -k -s --exclude=DEBIAN "$tree" | cut -f1)
versioned control | sed -e "s/@ARCH@/$arch/" -e "s/@DEPENDS@/$depends/" \
    -e "s/@INSTALLED_SIZE@/$installed_size/" >"$tree/DEBIAN/control"
(cd "$tree" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$tree/DEBIAN/md5sums"
chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"
find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$tree" "$deb" >/dev/null

# The archive: the bundle, how to install it by hand, the licence and the notices.
name="tivrandel-$version-linux-$tar_arch"
stage="$work/tar/$name"
mkdir -p "$stage/$bundle_binary"
install -m 0644 "$module" "$stage/$bundle_binary/Tivrandel64.so"
[ -z "$clap" ] || install -m 0644 "$clap" "$stage/Tivrandel.clap"
versioned INSTALL.txt >"$stage/INSTALL.txt"
if [ -n "$lv2_bundle" ]; then
    install_lv2 "$stage"
fi
cp "$root/COPYING" "$stage/COPYING"
versioned NOTICE.txt >"$stage/NOTICE.txt"
tar -C "$work/tar" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9n >"$tarball"

echo "$deb"
echo "$tarball"
