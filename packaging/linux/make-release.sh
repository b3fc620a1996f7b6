#!/usr/bin/env bash
# Makes the Linux release from a built module: the Debian package and the archive.
#   make-release.sh VERSION MODULE OUT_DIR WORK_DIR
# The build's `release` target runs it with the project version. SOURCE_DATE_EPOCH, when set,
# gives every file in both artifacts its time stamp, so that the same module gives the same
# bytes.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 VERSION MODULE OUT_DIR WORK_DIR" >&2; exit 2; }
version=$1
module=$(realpath "$2")
out=$(realpath -m "$3")
work=$(realpath -m "$4")
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
versioned changelog | gzip -9n >"$doc/changelog.gz"
chmod 0644 "$doc/copyright" "$doc/changelog.gz"

# Dependencies, as Debian's own packages get them: dpkg-shlibdeps reads the module's needed
# libraries and asks the installed packages' symbol files for the versions. It wants a source
# package's control file beside it.
mkdir -p "$work/shlibdeps/debian"
printf 'Source: tivrandel\n\nPackage: tivrandel\nArchitecture: any\n' \
    >"$work/shlibdeps/debian/control"
depends=$(cd "$work/shlibdeps" &&
    dpkg-shlibdeps -O -e"$tree/usr/lib/vst3/$bundle_binary/Tivrandel64.so" |
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
versioned INSTALL.txt >"$stage/INSTALL.txt"
cp "$root/COPYING" "$stage/COPYING"
versioned NOTICE.txt >"$stage/NOTICE.txt"
tar -C "$work/tar" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9n >"$tarball"

echo "$deb"
echo "$tarball"
