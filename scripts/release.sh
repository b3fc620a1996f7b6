#!/usr/bin/env bash
# Makes the release from a Linux and a Windows build of the same sources: runs each build's
# `release` target and gathers what they made into one folder, with its SHA256SUMS.
#   bash scripts/release.sh LINUX_BUILD WINDOWS_BUILD DIST
# DIST is emptied first. Every file in the artifacts carries the time of the last commit, so
# the same modules give the same artifacts, byte for byte.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD DIST" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
linux=$(realpath "$1")
windows=$(realpath "$2")
dist=$(realpath -m "$3")

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH

rm -rf "$dist"
mkdir -p "$dist"
for build in "$linux" "$windows"; do
    cmake --build "$build" --target release >"$build/release.log" 2>&1 || {
        cat "$build/release.log"
        echo "making the release in $build failed" >&2
        exit 1
    }
    cp "$build"/dist/* "$dist/"
done
(cd "$dist" && sha256sum -- * >SHA256SUMS)

echo "The release:"
for f in "$dist"/*; do
    printf '  %-70s %9s bytes\n' "$f" "$(stat -c %s "$f")"
done
