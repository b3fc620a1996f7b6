#!/usr/bin/env bash
# Tests the release as users get it and install it:
#   - the checksums, and the contents of each artifact, file by file;
#   - the source archive: unpacked, exactly the files of the checkout's HEAD (from which
#     scripts/release.sh makes it), and named by every notice;
#   - the Debian package: lintian, its fields and contents, unpacked into a temporary root, where
#     the module renders audio with tivrandel-render and Ardour's scanners find it as VST3 and,
#     through /usr/lib/vst, as VST2;
#   - the archives: unpacked, their modules byte-identical to the ones the package and the
#     installer carry;
#   - the LV2 bundle: the archive's the same as the package's, which passes LV2's own judges
#     (scripts/lv2-tests.sh);
#   - the Windows installer under Wine: silent install into the default folders, the installed
#     DLL loaded with LoadLibraryW by the Windows module test, a second install over the first
#     with the VST2 component, silent uninstall; an install into a folder given with /D= and the
#     ordinary uninstall; an install into one folder and then another, which moves it, with the
#     uninstaller left in the first acting on its own folder only; afterwards no file and no
#     registry key of ours is left;
#   - updates from the earlier release (the version before this one in the history of
#     CMakeLists.txt): its package and installer made by that commit's packaging from this
#     release's modules, each marked so that a file left behind shows; `apt-get install` of the
#     package over it in a throw-away root, and this setup run silently over it under Wine.
#   bash scripts/release-tests.sh DIST LINUX_BUILD WINDOWS_BUILD
# LINUX_BUILD gives the version (its CMake cache) and tivrandel-render; WINDOWS_BUILD the Wine
# prefix that scripts/wine-tests.sh makes (made here if missing) and windows_module_test.exe.
# Everything written goes to LINUX_BUILD/release-test and into the Wine prefix. The update tests
# need the git history back to the earlier release's last commit (no shallow clone).
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 DIST LINUX_BUILD WINDOWS_BUILD" >&2; exit 2; }
dist=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
linux=$(realpath "$2")
windows=$(realpath "$3")
started=$SECONDS

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $linux/CMakeCache.txt" >&2; exit 1; }
deb="$dist/tivrandel_${version}_amd64.deb"
tarball="$dist/tivrandel-$version-linux-x86_64.tar.gz"
setup="$dist/Tivrandel-$version-win64-setup.exe"
zip="$dist/Tivrandel-$version-win64.zip"
source_archive="$dist/tivrandel-$version-source.tar.gz"
render="$linux/tools/render/tivrandel-render"
render_check="$linux/tools/render/tivrandel-render-check"
module_test=$(grep -m1 '/windows_module_test\.exe$' "$windows/windows-tests.txt" || true)
for f in "$deb" "$tarball" "$setup" "$zip" "$source_archive" "$dist/SHA256SUMS" "$render" "$render_check" \
    "$module_test"; do
    [ -f "$f" ] || { echo "missing: ${f:-windows_module_test.exe in $windows/windows-tests.txt}" >&2; exit 1; }
done

work="$linux/release-test"
rm -rf "$work"
mkdir -p "$work/tmp" "$work/logs"
# Every helper's temporary files (dpkg-deb, lintian, ...) stay here.
export TMPDIR="$work/tmp"
logs="$work/logs"

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
}
# Runs a check quietly: "ok" with its description, or "FAILED" and the command's output.
check() { # <description> <command...>
    local description=$1 output
    shift
    if output=$("$@" 2>&1); then
        pass "$description"
    else
        fail "$description"
        [ -z "$output" ] || printf '%s\n' "$output" | head -n 40
    fi
}
same_file() { # <a> <b>
    cmp "$1" "$2"
}
# The file list of an unpacked tree: type, permissions of files (unless the second argument is
# "-"), and links' targets.
tree_listing() { # <dir> [-]
    local file_format='f %m %p\n'
    [ "${2:-}" != - ] || file_format='f %p\n'
    (cd "$1" && find . -mindepth 1 \( -type l -printf 'l %p -> %l\n' \) -o \
        \( -type d -printf 'd %p\n' \) -o \( -type f -printf "$file_format" \) | LC_ALL=C sort)
}
same_listing() { # <dir> <expected listing file> [-]
    diff -u "$2" <(tree_listing "$1" "${3:-}")
}

echo "-- checksums"
check "SHA256SUMS lists the five artifacts" diff -u \
    <(printf '%s\n' "$(basename "$setup")" "$(basename "$zip")" "$(basename "$tarball")" \
        "$(basename "$deb")" "$(basename "$source_archive")" | LC_ALL=C sort) \
    <(sed 's/^[0-9a-f]\{64\}  //' "$dist/SHA256SUMS" | LC_ALL=C sort)
check "sha256sum -c SHA256SUMS" bash -c "cd '$dist' && sha256sum -c --strict SHA256SUMS"

echo "-- Debian package"
# Every tag counts, down to the informational, pedantic and experimental ones.
lintian_status=0
lintian --fail-on error -I -E --pedantic "$deb" >"$logs/lintian.log" 2>&1 || lintian_status=$?
if [ "$lintian_status" -eq 0 ] && ! grep -qE '^[A-Z]: ' "$logs/lintian.log"; then
    pass "lintian prints no tag (-I -E --pedantic)"
else
    fail "lintian (status $lintian_status)"
    cat "$logs/lintian.log"
fi
field() { dpkg-deb -f "$deb" "$1"; }
check "package name, version and architecture" test \
    "$(field Package) $(field Version) $(field Architecture)" = "tivrandel $version amd64"
depends=$(field Depends)
depends_on_all() { # <package...>
    local p
    for p in "$@"; do
        [[ ", $depends," =~ ,\ "$p"[\ ,] ]] || { echo "no $p in Depends"; return 1; }
    done
}
check "dependencies from dpkg-shlibdeps: $depends" depends_on_all libc6 libstdc++6 libcairo2 \
    libfontconfig1 libfreetype6 libxcb1
# Owner, permissions and paths as the package lists them.
dpkg-deb -c "$deb" | awk '{ owner = $2; mode = $1; $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, "");
    print mode, owner, $0 }' | LC_ALL=C sort >"$work/deb-contents.txt"
bundle_so=usr/lib/vst3/Tivrandel64.vst3/Contents/x86_64-linux/Tivrandel64.so
LC_ALL=C sort >"$work/deb-expected.txt" <<EOF
drwxr-xr-x root/root ./
drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/lib/
drwxr-xr-x root/root ./usr/lib/vst/
drwxr-xr-x root/root ./usr/lib/clap/
-rw-r--r-- root/root ./usr/lib/clap/Tivrandel.clap
drwxr-xr-x root/root ./usr/lib/vst3/
drwxr-xr-x root/root ./usr/lib/vst3/Tivrandel64.vst3/
drwxr-xr-x root/root ./usr/lib/vst3/Tivrandel64.vst3/Contents/
drwxr-xr-x root/root ./usr/lib/vst3/Tivrandel64.vst3/Contents/x86_64-linux/
-rw-r--r-- root/root ./$bundle_so
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/tivrandel/
-rw-r--r-- root/root ./usr/share/doc/tivrandel/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/tivrandel/copyright
lrwxrwxrwx root/root ./usr/lib/vst/Tivrandel64.so -> ../vst3/Tivrandel64.vst3/Contents/x86_64-linux/Tivrandel64.so
drwxr-xr-x root/root ./usr/lib/lv2/
drwxr-xr-x root/root ./usr/lib/lv2/tivrandel.lv2/
-rw-r--r-- root/root ./usr/lib/lv2/tivrandel.lv2/manifest.ttl
-rw-r--r-- root/root ./usr/lib/lv2/tivrandel.lv2/tivrandel.so
-rw-r--r-- root/root ./usr/lib/lv2/tivrandel.lv2/tivrandel.ttl
EOF
check "package contents" diff -u "$work/deb-expected.txt" "$work/deb-contents.txt"

debroot="$work/deb-root"
dpkg-deb -x "$deb" "$debroot"
module="$debroot/$bundle_so"
check "the VST2 name leads to the bundle's module" test \
    "$(readlink -f "$debroot/usr/lib/vst/Tivrandel64.so")" = "$module"
check "the changelog names version $version" bash -c \
    "zcat '$debroot/usr/share/doc/tivrandel/changelog.gz' | head -n 1 | grep -qF '($version)'"

# The unpacked module renders: the source far right, the left channel 38 samples behind.
if "$render" --plugin "$module" --length 2 --param timepan=0:1 "$work/render.wav" \
    >"$logs/render.log" 2>&1; then
    check "the unpacked module renders (tivrandel-render)" "$render_check" "$work/render.wav" 38
else
    fail "tivrandel-render with the unpacked module"
    cat "$logs/render.log"
fi

# Ardour's scanners, with their configuration and cache in the work folder. A module written
# within the second of its scan is skipped as stale: the unpacked files get an older time.
ardour_lib=/usr/lib/ardour7
find "$debroot" -exec touch -h -d '1 hour ago' {} +
ardour_scan() { # <label> <scanner> <cache suffix> <target> [env...]
    local label=$1 scanner=$2 suffix=$3 target=$4
    shift 4
    env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
        XDG_DATA_HOME="$work/home/.local/share" LD_LIBRARY_PATH="$ardour_lib" "$@" \
        timeout -k 10 60 "$ardour_lib/$scanner" -f "$target" </dev/null \
        >"$logs/scan-$label.log" 2>&1 || { cat "$logs/scan-$label.log"; return 1; }
    grep -q 'name="Tivrandel64"' "$work/home/.cache/ardour7/vst/"*."$suffix" 2>/dev/null || {
        echo "the scan's cache has no Tivrandel64; the scanner said:"
        cat "$logs/scan-$label.log"
        return 1
    }
}
mkdir -p "$work/home"
check "Ardour's VST3 scanner finds the package's bundle" ardour_scan vst3 ardour-vst3-scanner v3i \
    "$debroot/usr/lib/vst3/Tivrandel64.vst3" VST3_PATH="$debroot/usr/lib/vst3"
check "Ardour's VST2 scanner finds /usr/lib/vst/Tivrandel64.so" ardour_scan vst2 \
    ardour-vst-scanner v2i "$debroot/usr/lib/vst/Tivrandel64.so" LXVST_PATH="$debroot/usr/lib/vst"

echo "-- Linux archive"
tar -xzf "$tarball" -C "$work" 2>"$logs/tar.log" || fail "unpacking $(basename "$tarball")"
cat >"$work/tar-expected.txt" <<EOF
d ./tivrandel-$version-linux-x86_64
d ./tivrandel-$version-linux-x86_64/Tivrandel64.vst3
d ./tivrandel-$version-linux-x86_64/Tivrandel64.vst3/Contents
d ./tivrandel-$version-linux-x86_64/Tivrandel64.vst3/Contents/x86_64-linux
d ./tivrandel-$version-linux-x86_64/tivrandel.lv2
f 644 ./tivrandel-$version-linux-x86_64/COPYING
f 644 ./tivrandel-$version-linux-x86_64/INSTALL.txt
f 644 ./tivrandel-$version-linux-x86_64/NOTICE.txt
f 644 ./tivrandel-$version-linux-x86_64/Tivrandel.clap
f 644 ./tivrandel-$version-linux-x86_64/Tivrandel64.vst3/Contents/x86_64-linux/Tivrandel64.so
f 644 ./tivrandel-$version-linux-x86_64/tivrandel.lv2/manifest.ttl
f 644 ./tivrandel-$version-linux-x86_64/tivrandel.lv2/tivrandel.so
f 644 ./tivrandel-$version-linux-x86_64/tivrandel.lv2/tivrandel.ttl
EOF
mkdir -p "$work/tar" && mv "$work/tivrandel-$version-linux-x86_64" "$work/tar/"
check "archive contents" same_listing "$work/tar" "$work/tar-expected.txt"
tar_dir="$work/tar/tivrandel-$version-linux-x86_64"
check "the archive's module is the package's" same_file \
    "$tar_dir/Tivrandel64.vst3/Contents/x86_64-linux/Tivrandel64.so" "$module"
check "INSTALL.txt tells how to install into ~/.vst3 and ~/.vst" bash -c \
    "grep -qF 'cp -r Tivrandel64.vst3 ~/.vst3/' '$tar_dir/INSTALL.txt' &&
     grep -qF '~/.vst/Tivrandel64.so' '$tar_dir/INSTALL.txt' &&
     grep -qF 'Tivrandel $version' '$tar_dir/INSTALL.txt'"

echo "-- CLAP plug-in of the package and the archive"
clap_module="$debroot/usr/lib/clap/Tivrandel.clap"
check "the package's CLAP module passes the CLAP host test and Qtractor's scanner" \
    bash "$(dirname "$0")/clap-tests.sh" "$linux" "$clap_module"
check "the archive's CLAP module is the package's" same_file "$tar_dir/Tivrandel.clap" \
    "$clap_module"
check "INSTALL.txt tells how to install into ~/.clap" \
    grep -qF 'cp Tivrandel.clap ~/.clap/' "$tar_dir/INSTALL.txt"

echo "-- LV2 bundles of the package and the archive"
check "INSTALL.txt tells how to install the LV2 bundle into ~/.lv2" \
    grep -qF 'cp -r tivrandel.lv2 ~/.lv2/' "$tar_dir/INSTALL.txt"
check "the archive's LV2 bundle is the package's" diff -r "$tar_dir/tivrandel.lv2" \
    "$debroot/usr/lib/lv2/tivrandel.lv2"
# LV2's own judges, on what the package installs: validators, lv2ls, lv2info, lv2apply.
check "LV2's judges pass on the package's bundle" bash "$(dirname "$0")/lv2-tests.sh" "$linux" \
    "$debroot/usr/lib/lv2/tivrandel.lv2"

echo "-- Windows archive"
mkdir -p "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip") || fail "unpacking $(basename "$zip")"
zip_dir="$work/zip/Tivrandel-$version-win64"
cat >"$work/zip-expected.txt" <<EOF
d ./Tivrandel-$version-win64
d ./Tivrandel-$version-win64/Tivrandel64.vst3
d ./Tivrandel-$version-win64/Tivrandel64.vst3/Contents
d ./Tivrandel-$version-win64/Tivrandel64.vst3/Contents/x86_64-win
f 644 ./Tivrandel-$version-win64/COPYING.txt
f 644 ./Tivrandel-$version-win64/INSTALL.txt
f 644 ./Tivrandel-$version-win64/NOTICE.txt
f 644 ./Tivrandel-$version-win64/Tivrandel.clap
f 644 ./Tivrandel-$version-win64/Tivrandel64.dll
f 644 ./Tivrandel-$version-win64/Tivrandel64.vst3/Contents/x86_64-win/Tivrandel64.vst3
EOF
check "archive contents" same_listing "$work/zip" "$work/zip-expected.txt"
zip_module="$zip_dir/Tivrandel64.vst3/Contents/x86_64-win/Tivrandel64.vst3"
check "the VST2 DLL is the bundle's module" same_file "$zip_dir/Tivrandel64.dll" "$zip_module"
check "the texts have Windows line ends" bash -c \
    "for f in INSTALL.txt COPYING.txt NOTICE.txt; do
         ! grep -q \$'[^\\r]\$' '$zip_dir/'\$f || { echo \"\$f has LF line ends\"; exit 1; }
     done"

echo "-- source archive"
# The corresponding source: the committed tree of the checkout's HEAD under one folder, with
# the other artifacts' time stamp, and named by every notice that the artifacts carry.
source_archive_tests() {
    local unpacked="$work/source" top="tivrandel-$version"
    local tree="$unpacked/$top"
    mkdir -p "$unpacked"
    tar -xzf "$source_archive" -C "$unpacked" 2>"$logs/source-tar.log" || {
        fail "unpacking $(basename "$source_archive")"
        cat "$logs/source-tar.log"
        return
    }
    check "it unpacks into one folder, $top" test "$(ls -A "$unpacked")" = "$top"
    check "it holds the README, the licence and the build scripts" bash -c \
        "cd '$tree' && for f in README.md COPYING CMakeLists.txt scripts/demo.sh scripts/test.sh \
             scripts/install-packages.sh scripts/release.sh; do
             test -s \$f || { echo \"no \$f\"; exit 1; }
         done"
    check "its file names are exactly the commit's (git ls-tree -r HEAD)" diff -u \
        <(git -C "$root" ls-tree -r --name-only HEAD | LC_ALL=C sort) \
        <(cd "$tree" && find . -mindepth 1 ! -type d -printf '%P\n' | LC_ALL=C sort)
    check "no build output, no dist/" bash -c \
        "cd '$tree' && for d in build dist out; do test ! -e \$d || { echo \"\$d/ in it\"; exit 1; }; done"
    # Contents and executable bits as the commit has them, as git's own blob ids and modes, by
    # name. (hash-object takes absolute paths: inside this checkout it reads relative ones from
    # the checkout's top.)
    source_like_commit() {
        (cd "$tree" && find . -type f -printf '%P\n' | LC_ALL=C sort) >"$work/source-files.txt"
        diff -u <(git -C "$root" ls-tree -r HEAD | awk '{ print $1, $3, $4 }' | LC_ALL=C sort) \
            <(paste -d ' ' \
                <(while read -r f; do [ -x "$tree/$f" ] && echo 100755 || echo 100644; done \
                    <"$work/source-files.txt") \
                <(sed "s|^|$tree/|" "$work/source-files.txt" |
                    git hash-object --no-filters --stdin-paths) \
                "$work/source-files.txt" | LC_ALL=C sort)
    }
    check "its files' contents and modes are the commit's" source_like_commit
    # Owner and time of each entry (tar -tv: owner, date, time), against the Linux archive's.
    entry_stamps() { tar --full-time -tvzf "$1" | awk '{ print $2, $4, $5 }' | LC_ALL=C sort -u; }
    check "its entries have owner root and the other artifacts' time stamp" diff -u \
        <(entry_stamps "$tarball") <(entry_stamps "$source_archive")
    # The unpacked tree sits inside this checkout, but is no checkout of its own.
    check "no source archive from the unpacked tree: it is no git checkout, and says so" bash -c \
        "! bash '$tree/packaging/source/make-release.sh' '$version' '$tree' '$work/source-again' \
             '$work/source-again-work' 2>'$logs/source-again.log' &&
         grep -q 'is not a git checkout' '$logs/source-again.log' && test ! -e '$work/source-again'"
    notices_name_source() {
        local notice name
        name=$(basename "$source_archive")
        for notice in "$tar_dir/NOTICE.txt" "$zip_dir/NOTICE.txt" \
            "$debroot/usr/share/doc/tivrandel/copyright"; do
            if ! grep -qF "$name" "$notice" || ! grep -qF 'README.md' "$notice" ||
                grep -q 'available from' "$notice"; then
                echo "$notice does not name $name and its README.md"
                return 1
            fi
        done
    }
    check "NOTICE.txt in both archives and the package's copyright name it and its README" \
        notices_name_source
}
source_archive_tests

echo "-- the earlier release"
# The release before this one: its version is the one that the commit setting this version on
# the project() line replaced, and its last commit is that commit's parent. Its package and
# installer are made by that commit's packaging/ (run as this release's scripts are run) from
# this release's modules, each with a marker appended that the loaders ignore: building the
# earlier tree would cost as much as this whole build, and an update is about what the package
# and the installer do with the files, the package database and the registry.
earlier_version=""
earlier_commit=""
find_earlier_release() {
    local commit parent v
    for commit in $(git -C "$root" log --format=%H -G'^project\(Tivrandel VERSION ' -- CMakeLists.txt); do
        parent=$(git -C "$root" rev-parse --verify --quiet "$commit^") || {
            echo "no commit before $commit here (the first commit, or a shallow clone)"
            return 1
        }
        v=$(git -C "$root" show "$parent:CMakeLists.txt" |
            sed -n 's/^project(Tivrandel VERSION \([0-9.]*\) .*/\1/p')
        if [ -n "$v" ] && [ "$v" != "$version" ]; then
            earlier_version=$v earlier_commit=$parent
            return 0
        fi
    done
    echo "no earlier version in the history of CMakeLists.txt"
    return 1
}
# Without that history (a shallow clone), the release the package's changelog names before this
# one stands in, made by this release's packaging: the update is still tested, the earlier
# scripts' own differences are not.
earlier_from_changelog() {
    earlier_version=$(sed -n 's/^tivrandel (\([0-9.]*\)).*/\1/p' "$root/packaging/linux/changelog" |
        sed -n 2p)
    earlier_commit=""
    [ -n "$earlier_version" ] && [ "$earlier_version" != "$version" ]
}
earlier="$work/earlier"
is_stand_in() { # <file>
    tail -c 64 "$1" | grep -aqF "# Tivrandel $earlier_version stand-in"
}
mark() { # <file...>: a marker behind the end, which neither ELF nor PE loaders read
    local f
    for f in "$@"; do
        printf '\n# Tivrandel %s stand-in\n' "$earlier_version" >>"$f"
    done
}
make_earlier_release() {
    local stamp modules="$earlier/modules"
    stamp=$(git -C "$root" log -1 --format=%ct "${earlier_commit:-HEAD}")
    mkdir -p "$earlier/tree" "$earlier/dist" "$modules/tivrandel.lv2" \
        "$modules/Tivrandel64.vst3/Contents/x86_64-win"
    if [ -n "$earlier_commit" ]; then
        git -C "$root" archive "$earlier_commit" packaging COPYING | tar -x -C "$earlier/tree"
    else
        git -C "$root" archive HEAD packaging COPYING | tar -x -C "$earlier/tree"
        # Its changelog ends with the earlier release's entry.
        sed -i -e '1,/^ -- /d' "$earlier/tree/packaging/linux/changelog"
        sed -i -e '1{/^$/d}' "$earlier/tree/packaging/linux/changelog"
    fi
    cp "$module" "$modules/Tivrandel64.so"
    cp "$clap_module" "$modules/Tivrandel.clap"
    cp "$debroot/usr/lib/lv2/tivrandel.lv2/"* "$modules/tivrandel.lv2/"
    cp "$zip_module" "$modules/Tivrandel64.vst3/Contents/x86_64-win/"
    cp "$zip_dir/Tivrandel.clap" "$modules/Tivrandel-win.clap"
    mark "$modules/Tivrandel64.so" "$modules/Tivrandel.clap" "$modules/tivrandel.lv2/"* \
        "$modules/Tivrandel64.vst3/Contents/x86_64-win/Tivrandel64.vst3" \
        "$modules/Tivrandel-win.clap"
    SOURCE_DATE_EPOCH=$stamp TIVRANDEL_LV2_BUNDLE="$modules/tivrandel.lv2" \
        bash "$earlier/tree/packaging/linux/make-release.sh" "$earlier_version" \
        "$modules/Tivrandel64.so" "$earlier/dist" "$earlier/linux-work" "$modules/Tivrandel.clap" ||
        return 1
    SOURCE_DATE_EPOCH=$stamp bash "$earlier/tree/packaging/windows/make-release.sh" \
        "$earlier_version" "$modules/Tivrandel64.vst3" "$earlier/dist" "$earlier/windows-work" \
        "$modules/Tivrandel-win.clap"
}
earlier_deb=""
earlier_setup=""
if find_earlier_release >"$logs/earlier.log" 2>&1; then
    pass "the earlier release: $earlier_version, last commit $(git -C "$root" log -1 \
        --format='%h %s' "$earlier_commit")"
    if make_earlier_release >>"$logs/earlier.log" 2>&1; then
        earlier_deb="$earlier/dist/tivrandel_${earlier_version}_amd64.deb"
        earlier_setup="$earlier/dist/Tivrandel-$earlier_version-win64-setup.exe"
        pass "its package and installer, from its packaging and this release's modules, marked"
    else
        fail "making the earlier release's package and installer"
        cat "$logs/earlier.log"
    fi
elif earlier_from_changelog; then
    pass "the earlier release: $earlier_version, named by the changelog (no history here: this \
release's packaging stands in for its own)"
    if make_earlier_release >>"$logs/earlier.log" 2>&1; then
        earlier_deb="$earlier/dist/tivrandel_${earlier_version}_amd64.deb"
        earlier_setup="$earlier/dist/Tivrandel-$earlier_version-win64-setup.exe"
        pass "its package and installer, from this release's packaging and modules, marked"
    else
        fail "making the earlier release's package and installer"
        cat "$logs/earlier.log"
    fi
else
    fail "finding the earlier release"
    cat "$logs/earlier.log"
fi

echo "-- Debian package: apt-get install over the earlier release"
# apt-get and dpkg as users run them, in a throw-away root: apt's configuration, state and
# caches and dpkg's database and log are all under it (dpkg --root), and the database starts as
# a copy of this machine's, so that the package's dependencies are met as they are here. The
# machine's packages' files are not in the root (the package has no maintainer scripts to need
# them).
aptroot="$work/apt-root"
make_apt_root() {
    mkdir -p "$aptroot/var/lib/dpkg/info" "$aptroot/var/lib/dpkg/updates" \
        "$aptroot/var/lib/dpkg/triggers" "$aptroot/etc/apt/apt.conf.d" \
        "$aptroot/etc/apt/preferences.d" "$aptroot/etc/apt/sources.list.d" \
        "$aptroot/var/cache/apt/archives/partial" "$aptroot/var/lib/apt/lists/partial" \
        "$aptroot/var/log/apt"
    cp /var/lib/dpkg/status "$aptroot/var/lib/dpkg/status"
    : >"$aptroot/var/lib/dpkg/available"
    : >"$aptroot/etc/apt/sources.list"
    # Empty file lists: the packages' files belong to the machine, not to this root.
    dpkg-query -W -f='${binary:Package}\n' | while read -r p; do
        : >"$aptroot/var/lib/dpkg/info/$p.list"
    done
    # Read instead of the machine's apt.conf and apt.conf.d: APT_CONFIG comes first, and its
    # Dir moves every other configuration file into the root.
    printf '%s\n' "Dir \"$aptroot/\";" 'APT::Sandbox::User "root";' \
        "DPkg::Options { \"--root=$aptroot\"; \"--log=$aptroot/var/log/dpkg.log\"; };" \
        >"$work/apt.conf"
}
apt_in_root() { # <log name> <apt-get arguments...>
    local log="$logs/$1.log"
    shift
    APT_CONFIG="$work/apt.conf" DEBIAN_FRONTEND=noninteractive apt-get -y "$@" </dev/null \
        >"$log" 2>&1 || { cat "$log"; return 1; }
}
in_root() { # what the root's database says of tivrandel
    dpkg-query --root="$aptroot" -W -f='${db:Status-Abbrev}${Version}' tivrandel 2>&1
}
# What the machine's own package records say of tivrandel, which nothing here may change.
host_records() {
    dpkg-query -W -f='${db:Status-Abbrev}${Version}\n' tivrandel 2>/dev/null || true
    grep -c tivrandel /var/log/dpkg.log /var/log/apt/history.log /var/log/apt/term.log \
        2>/dev/null || true
}
installed_like_package() {
    diff -u <(tree_listing "$debroot/usr") <(tree_listing "$aptroot/usr") &&
        diff -r --no-dereference "$debroot/usr" "$aptroot/usr" &&
        diff -u <(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -e 's|^\./|/|' -e 's|/$||' \
            -e 's|^$|/.|' | LC_ALL=C sort) \
            <(dpkg-query --root="$aptroot" -L tivrandel | LC_ALL=C sort)
}
nothing_left() {
    local left
    left=$(find "$aptroot/usr" ! -type d 2>/dev/null)
    [ -z "$left" ] || { echo "left behind: $left"; return 1; }
}
if [ -n "$earlier_deb" ]; then
    host_before=$(host_records)
    rm -rf "$aptroot"
    make_apt_root
    check "apt-get install ./$(basename "$earlier_deb")" apt_in_root apt-earlier install \
        "$earlier_deb"
    earlier_in_root() {
        test "$(in_root)" = "ii $earlier_version" && is_stand_in "$aptroot/$bundle_so" &&
            is_stand_in "$aptroot/usr/lib/lv2/tivrandel.lv2/tivrandel.ttl"
    }
    check "the earlier release is installed, with its (marked) modules" earlier_in_root
    check "apt-get install ./$(basename "$deb") over it" apt_in_root apt-update install "$deb"
    check "apt updated it: tivrandel ($version) over ($earlier_version)" grep -qF \
        "Unpacking tivrandel ($version) over ($earlier_version)" "$logs/apt-update.log"
    check "the root's database has tivrandel $version installed" test "$(in_root)" = "ii $version"
    check "the installed files are exactly the package's, and dpkg lists those" \
        installed_like_package
    check "apt-get remove tivrandel" apt_in_root apt-remove remove tivrandel
    check "no file of the package is left" nothing_left
    check "the machine's own package records are untouched" test "$(host_records)" = \
        "$host_before"
fi

echo "-- Windows installer, under Wine"
export WINEPREFIX="$windows/wineprefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono, no Gecko, and no menu entries or file associations in the desktop's folders.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export HOME="$work/home"
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
status=0
wineboot -i </dev/null >"$logs/wineboot.log" 2>&1 || status=$?
# wineboot answers 2 when a server already runs, as here.
if [ "$status" -ne 0 ] && [ "$status" -ne 2 ]; then
    cat "$logs/wineboot.log"
    echo "wineboot failed ($status)" >&2
    exit 1
fi

drive_c="$WINEPREFIX/drive_c"
vst3_dir="$drive_c/Program Files/Common Files/VST3"
vst3_win='C:\Program Files\Common Files\VST3'
vst2_dir="$drive_c/Program Files/Steinberg/VSTPlugins"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tivrandel'
# A Wine program's output goes to a file (never a pipe, which Wine's helpers hold open), with
# CRLF line ends removed.
wine_run() { # <log name> <program> [arguments...]
    local log="$logs/$1.log" code=0
    shift
    timeout -k 10 300 wine "$@" </dev/null >"$log.crlf" 2>&1 || code=$?
    tr -d '\r' <"$log.crlf" >"$log"
    rm -f "$log.crlf"
    return "$code"
}
# The state of the prefix that an installation may touch: the files under C: (less the
# temporary folders, and the compiled .inf files that Wine's device set-up writes whenever it
# gets to them) and the software registry of the machine and of the user.
snapshot() { # <name>
    (cd "$drive_c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o \
        -path './users/*/AppData/Local/Temp' -prune -o -path './windows/inf/*.pnf' -prune -o \
        -print | LC_ALL=C sort) >"$work/$1-files.txt"
    wine_run "$1-reg" reg export 'HKLM\Software' "Z:${work//\//\\}\\$1.reg" /y &&
        wine_run "$1-user-reg" reg export 'HKCU\Software' "Z:${work//\//\\}\\$1-user.reg" /y
}
module_test() { # <label> <Windows path of the module>
    local log="$logs/module-test-$1.log"
    if ! TIVRANDEL_MODULE=$2 wine_run "module-test-$1" "$module_test"; then
        tail -n 40 "$log"
        return 1
    fi
    grep -q '^\[  PASSED  \] [0-9]* test' "$log" && ! grep -q '^\[  FAILED  \]' "$log" || {
        tail -n 40 "$log"
        return 1
    }
}
uninstall_entry() {
    wine_run reg-query reg query "$key" && cat "$logs/reg-query.log"
}
entry_value() { # <name>: the value's data, from the last uninstall_entry
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p" "$logs/reg-query.log"
}
no_entry() {
    ! wine_run reg-query reg query "$key"
}
# A registry export as text, less Wine's own settings of the user (which Wine's window code
# writes when the first program with a window runs).
registry_text() { # <file.reg>
    iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r' |
        awk '/^\[/ { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine\\") == 1 } !skip'
}
same_state() { # <before> <after>
    diff -u "$work/$1-files.txt" "$work/$2-files.txt" &&
        diff -u <(registry_text "$work/$1.reg") <(registry_text "$work/$2.reg") &&
        diff -u <(registry_text "$work/$1-user.reg") <(registry_text "$work/$2-user.reg")
}

snapshot before
[ ! -e "$vst3_dir/Tivrandel64.vst3" ] || fail "the prefix already holds Tivrandel64.vst3"

# 1. A silent install into the default folder.
check "setup /S" wine_run setup-1 "$setup" /S
installed="$vst3_dir/Tivrandel64.vst3"
# (Wine gives files permissions of its own.)
check "installed files" same_listing "$installed" <(cat <<EOF
d ./Contents
d ./Contents/Resources
d ./Contents/x86_64-win
f ./Contents/Resources/COPYING.txt
f ./Contents/Resources/NOTICE.txt
f ./Contents/x86_64-win/Tivrandel64.vst3
f ./Uninstall.exe
EOF
) -
check "the installed module is the archive's" same_file \
    "$installed/Contents/x86_64-win/Tivrandel64.vst3" "$zip_module"
check "no VST2 DLL unless asked for" test ! -e "$vst2_dir/Tivrandel64.dll"
check "uninstall entry in the list of installed programs" uninstall_entry
check "its name, version and publisher" test \
    "$(entry_value DisplayName)|$(entry_value DisplayVersion)|$(entry_value Publisher)" = \
    "Tivrandel|$version|Kelvane"
size1=$(entry_value EstimatedSize)
check "its size ($((size1)) KB) counts the module and the CLAP plug-in" test "$((size1))" -ge \
    "$((($(stat -c %s "$zip_module") + $(stat -c %s "$zip_dir/Tivrandel.clap")) / 1024))"
check "its uninstaller: $(entry_value UninstallString)" test "$(entry_value UninstallString)" = \
    "\"$vst3_win\\Tivrandel64.vst3\\Uninstall.exe\""
check "the installed module loads and its factory and ids are right (windows_module_test)" \
    module_test vst3 "$vst3_win\\Tivrandel64.vst3\\Contents\\x86_64-win\\Tivrandel64.vst3"

# The CLAP component, on by default: the archive's module in the CLAP folder, judged by the
# project's CLAP host test under Wine.
clap_dir="$drive_c/Program Files/Common Files/CLAP"
clap_host_test="$windows/tests/clap/clap_host_test.exe"
clap_test() { # <Windows path of the module>
    local log="$logs/clap-host-test.log"
    TIVRANDEL_CLAP_MODULE=$1 wine_run clap-host-test "$clap_host_test" || { tail -n 40 "$log"; return 1; }
    grep -q '^\[  PASSED  \] [0-9]* test' "$log" && ! grep -q '^\[  FAILED  \]' "$log" ||
        { tail -n 40 "$log"; return 1; }
}
check "the installed CLAP plug-in is the archive's" same_file "$clap_dir/Tivrandel.clap" \
    "$zip_dir/Tivrandel.clap"
check "the installed CLAP plug-in passes the CLAP host test" clap_test \
    'C:\Program Files\Common Files\CLAP\Tivrandel.clap'

# 2. Again over the first, now with the VST2 DLL in the usual VST2 folder.
check "setup /S /VST2, over the first installation" wine_run setup-2 "$setup" /S /VST2
check "the VST2 DLL in the usual folder is the archive's" same_file \
    "$vst2_dir/Tivrandel64.dll" "$zip_dir/Tivrandel64.dll"
check "the VST3 module is still the archive's" same_file \
    "$installed/Contents/x86_64-win/Tivrandel64.vst3" "$zip_module"
uninstall_entry >/dev/null || true
check "the entry's size grew by the VST2 DLL" test "$(($(entry_value EstimatedSize)))" -gt \
    "$((size1))"
check "the VST2 DLL loads (windows_module_test)" module_test vst2 \
    'C:\Program Files\Steinberg\VSTPlugins\Tivrandel64.dll'

# Removed the way the list of installed programs does it: the uninstaller copies itself away,
# returns at once, and finishes on its own, removing itself, the VST2 DLL and every folder that
# the installations made.
check "Uninstall.exe /S" wine_run uninstall-2 "$installed/Uninstall.exe" /S
wait_for_uninstall() { # <bundle folder>
    for _ in $(seq 120); do
        if [ ! -e "$1" ] && no_entry; then
            return 0
        fi
        sleep 0.5
    done
}
wait_for_uninstall "$installed"
check "the bundle and its uninstaller are gone" test ! -e "$installed"
check "the VST2 DLL and the folders setup made for it are gone" \
    test ! -e "$drive_c/Program Files/Steinberg"
check "the CLAP plug-in and the CLAP folder setup made are gone" test ! -e "$clap_dir"
check "no uninstall entry left" no_entry
snapshot after-2
check "no file and no registry key of ours left" same_state before after-2

# 3. Into a folder given with /D=, then the uninstaller run so that it can be waited for
# (Uninstall.exe /S _?=<its folder>): it does its work in place, where it cannot delete itself
# and so neither its folder nor those above; that is left to the caller. Wine quotes an
# argument with a space, while NSIS takes /D= and _?= only unquoted: the folder has none.
custom='C:\Plugins-Test\VST3'
custom_dir="$drive_c/Plugins-Test/VST3"
custom_bundle="$custom_dir/Tivrandel64.vst3"
check "setup /S /D=$custom" wine_run setup-3 "$setup" /S "/D=$custom"
check "the module in the given folder is the archive's" same_file \
    "$custom_bundle/Contents/x86_64-win/Tivrandel64.vst3" "$zip_module"
check "nothing in the default folder" test ! -e "$installed"
check "the module in the given folder loads (windows_module_test)" module_test custom \
    "$custom\\Tivrandel64.vst3\\Contents\\x86_64-win\\Tivrandel64.vst3"
check "Uninstall.exe /S _?=$custom\\Tivrandel64.vst3" wine_run uninstall-3 \
    "$custom_bundle/Uninstall.exe" /S "_?=$custom\\Tivrandel64.vst3"
module_and_entry_gone() {
    [ ! -e "$custom_bundle/Contents" ] && no_entry
}
check "when it returns, the module and the entry are gone" module_and_entry_gone
check "only the uninstaller is left" same_listing "$custom_bundle" <(printf 'f ./Uninstall.exe\n') -
rm "$custom_bundle/Uninstall.exe"
rmdir "$custom_bundle" "$custom_dir" "$drive_c/Plugins-Test"
snapshot after-3
check "no file and no registry key of ours left" same_state before after-3

# 4. An installation into folder A, then one into folder B: the second moves the first, so that
# A's bundle, its uninstaller, its VST2 DLL and the folders made for them go and the entry
# describes B. An uninstaller left behind in A (as an older setup left it) then removes its own
# bundle only: B's files and the entry stay, and B's uninstaller still removes B.
a_win='C:\Plugins-A\VST3'
a_dir="$drive_c/Plugins-A/VST3"
a_bundle="$a_dir/Tivrandel64.vst3"
b_win='C:\Plugins-B\VST3'
b_dir="$drive_c/Plugins-B/VST3"
b_bundle="$b_dir/Tivrandel64.vst3"
b_vst2="$drive_c/Plugins-B/VST2/Tivrandel64.dll"
check "setup /S /VST2=C:\\Plugins-A\\VST2 /D=$a_win" wine_run setup-4a "$setup" /S \
    '/VST2=C:\Plugins-A\VST2' "/D=$a_win"
check "A's module and VST2 DLL are installed" test -f \
    "$a_bundle/Contents/x86_64-win/Tivrandel64.vst3" -a -f "$drive_c/Plugins-A/VST2/Tivrandel64.dll"
rm -rf "$work/orphan"
cp -a "$a_bundle" "$work/orphan"
check "setup /S /VST2=C:\\Plugins-B\\VST2 /D=$b_win" wine_run setup-4b "$setup" /S \
    '/VST2=C:\Plugins-B\VST2' "/D=$b_win"
check "B's module and VST2 DLL are the archive's" bash -c \
    "cmp '$b_bundle/Contents/x86_64-win/Tivrandel64.vst3' '$zip_module' &&
     cmp '$b_vst2' '$zip_dir/Tivrandel64.dll'"
check "A's bundle, uninstaller, VST2 DLL and the folders made for them are gone" \
    test ! -e "$drive_c/Plugins-A"
b_entry() {
    uninstall_entry >/dev/null &&
        test "$(entry_value InstallLocation)" = "$b_win\\Tivrandel64.vst3" &&
        test "$(entry_value UninstallString)" = "\"$b_win\\Tivrandel64.vst3\\Uninstall.exe\"" &&
        test "$(entry_value Vst2Folder)" = 'C:\Plugins-B\VST2'
}
check "the entry describes B" b_entry
mkdir -p "$a_dir"
cp -a "$work/orphan" "$a_bundle"
check "A's orphaned Uninstall.exe /S _?=$a_win\\Tivrandel64.vst3" wine_run uninstall-4a \
    "$a_bundle/Uninstall.exe" /S "_?=$a_win\\Tivrandel64.vst3"
check "it removed A's module" test ! -e "$a_bundle/Contents"
check "B's module and VST2 DLL are untouched" test -f \
    "$b_bundle/Contents/x86_64-win/Tivrandel64.vst3" -a -f "$b_vst2"
check "the entry still describes B" b_entry
rm -f "$a_bundle/Uninstall.exe"
rmdir "$a_bundle" "$a_dir" "$drive_c/Plugins-A"
check "B's Uninstall.exe /S _?=$b_win\\Tivrandel64.vst3" wine_run uninstall-4b \
    "$b_bundle/Uninstall.exe" /S "_?=$b_win\\Tivrandel64.vst3"
b_gone() {
    [ ! -e "$b_bundle/Contents" ] && [ ! -e "$drive_c/Plugins-B/VST2" ] && no_entry
}
check "B's module, its VST2 DLL and folder, and the entry are gone" b_gone
rm -f "$b_bundle/Uninstall.exe"
rmdir "$b_bundle" "$b_dir" "$drive_c/Plugins-B"
snapshot after-4
check "no file and no registry key of ours left" same_state before after-4

# 5. An update: the earlier release installed with its VST2 DLL, both into folders of the
# user's choosing, then this setup run silently with no option at all. It keeps the folders and
# the VST2 choice, replaces every module with this release's, and leaves one entry, for this
# version; the ordinary uninstall then removes everything.
up_vst3='C:\Plugins-Up\VST3'
up_bundle="$drive_c/Plugins-Up/VST3/Tivrandel64.vst3"
up_vst2='C:\Plugins-Up\VST2'
up_vst2_dll="$drive_c/Plugins-Up/VST2/Tivrandel64.dll"
programs_named_tivrandel() { # in the list of installed programs
    wine_run uninstall-list reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
        "Z:${work//\//\\}\\uninstall-list.reg" /y &&
        registry_text "$work/uninstall-list.reg" | grep -c '^"DisplayName"="Tivrandel"$'
}
updated_entry() {
    uninstall_entry >/dev/null &&
        test "$(entry_value DisplayVersion)" = "$version" &&
        test "$(entry_value InstallLocation)" = "$up_vst3\\Tivrandel64.vst3" &&
        test "$(entry_value UninstallString)" = "\"$up_vst3\\Tivrandel64.vst3\\Uninstall.exe\"" &&
        test "$(entry_value Vst2Folder)" = "$up_vst2"
}
updated_files() {
    cmp "$up_bundle/Contents/x86_64-win/Tivrandel64.vst3" "$zip_module" &&
        cmp "$up_vst2_dll" "$zip_dir/Tivrandel64.dll" &&
        cmp "$clap_dir/Tivrandel.clap" "$zip_dir/Tivrandel.clap" &&
        cmp "$up_bundle/Contents/Resources/NOTICE.txt" "$zip_dir/NOTICE.txt"
}
if [ -n "$earlier_setup" ]; then
    check "the earlier setup /S /VST2=$up_vst2 /D=$up_vst3" wine_run setup-5a "$earlier_setup" \
        /S "/VST2=$up_vst2" "/D=$up_vst3"
    uninstall_entry >/dev/null || true
    earlier_installed() {
        test "$(entry_value DisplayVersion)" = "$earlier_version" &&
            is_stand_in "$up_bundle/Contents/x86_64-win/Tivrandel64.vst3" &&
            is_stand_in "$up_vst2_dll" && is_stand_in "$clap_dir/Tivrandel.clap"
    }
    check "the earlier release is installed: its entry and its (marked) modules" earlier_installed
    check "this setup /S over it" wine_run setup-5b "$setup" /S
    check "one uninstall entry, for $version, with the earlier folders" updated_entry
    check "one program named Tivrandel in the list of installed programs" test \
        "$(programs_named_tivrandel)" = 1
    check "the VST3 module, the VST2 DLL, the CLAP plug-in and the notices are this release's" \
        updated_files
    check "nothing in the usual VST3 and VST2 folders" test ! -e "$installed" -a \
        ! -e "$vst2_dir/Tivrandel64.dll"
    check "the updated module loads (windows_module_test)" module_test update \
        "$up_vst3\\Tivrandel64.vst3\\Contents\\x86_64-win\\Tivrandel64.vst3"
    check "Uninstall.exe /S" wine_run uninstall-5 "$up_bundle/Uninstall.exe" /S
    wait_for_uninstall "$up_bundle"
    check "the modules, the entry and the folders the installations made are gone" test ! -e \
        "$drive_c/Plugins-Up" -a ! -e "$clap_dir"
    check "no uninstall entry left" no_entry
    snapshot after-5
    check "no file and no registry key of ours left" same_state before after-5
fi

echo "Release tests took $((SECONDS - started)) s"
if [ "$failures" -gt 0 ]; then
    echo "release tests: $failures failed"
    exit 1
fi
echo "release tests: all passed"
