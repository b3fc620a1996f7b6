#!/usr/bin/env bash
# Makes the Windows release from the built bundle: the installer and the zip archive.
#   make-release.sh VERSION BUNDLE OUT_DIR WORK_DIR [CLAP_MODULE]
# BUNDLE is the build's Tivrandel64.vst3 folder (Contents/x86_64-win/Tivrandel64.vst3 inside).
# The build's `release` target runs it with the project version. SOURCE_DATE_EPOCH, when set,
# gives the files in the archive their time stamp.
set -euo pipefail
[ $# -eq 4 ] || [ $# -eq 5 ] ||
    { echo "usage: $0 VERSION BUNDLE OUT_DIR WORK_DIR [CLAP_MODULE]" >&2; exit 2; }
version=$1
bundle=$(realpath "$2")
dll="$bundle/Contents/x86_64-win/Tivrandel64.vst3"
[ -f "$dll" ] || { echo "no $dll" >&2; exit 1; }
out=$(realpath -m "$3")
work=$(realpath -m "$4")
# The CLAP plug-in Tivrandel.clap, which the installer's CLAP component installs.
[ $# -eq 5 ] || { echo "no CLAP module given" >&2; exit 2; }
clap=$(realpath "$5")
here=$(cd "$(dirname "$0")" && pwd)
packaging=$(dirname "$here")
root=$(dirname "$packaging")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date +%s)}
umask 022

name="Tivrandel-$version-win64"
setup="$out/$name-setup.exe"
zip="$out/$name.zip"
rm -rf "$work"
mkdir -p "$work" "$out"
rm -f "$setup" "$zip"

# Texts for Windows: CRLF line ends.
crlf() { sed 's/\r*$/\r/'; }

# What the archive holds, and the installer takes its files from: the bundle (the layout the
# VST3 SDK recommends), the DLL under its VST2 name, the instructions, licence and notices.
stage="$work/$name"
mkdir -p "$stage"
cp -r "$bundle" "$stage/Tivrandel64.vst3"
cp "$dll" "$stage/Tivrandel64.dll"
cp "$clap" "$stage/Tivrandel.clap"
sed "s/@VERSION@/$version/g" "$here/INSTALL.txt" | crlf >"$stage/INSTALL.txt"
crlf <"$root/COPYING" >"$stage/COPYING.txt"
sed "s/@VERSION@/$version/g" "$packaging/NOTICE.txt" | crlf >"$stage/NOTICE.txt"
find "$stage" -type f -exec chmod 0644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# -WX: a warning (an unused define, a missing string) fails the build.
makensis -V2 -WX -NOCD "-DVERSION=$version" "-DSTAGE=$stage" "-DOUTFILE=$setup" \
    "$here/tivrandel.nsi" >"$work/makensis.log" 2>&1 || {
    cat "$work/makensis.log" >&2
    exit 1
}

(cd "$work" && TZ=UTC perl "$here/zip.pl" "$zip" "$name")

echo "$setup"
echo "$zip"
