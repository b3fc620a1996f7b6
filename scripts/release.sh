#!/usr/bin/env bash
# Makes the release from a Linux and a Windows build of the same sources: the corresponding
# source (git archive of the checkout's HEAD), then each build's `release` target, all gathered
# into one folder with its SHA256SUMS.
#   bash scripts/release.sh LINUX_BUILD WINDOWS_BUILD DIST
# DIST is emptied first. Every file in the artifacts carries the time of the last commit, so
# the same commit and modules give the same artifacts, byte for byte. The checkout must be a
# git checkout: the source archive is its committed tree.
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

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $linux/CMakeCache.txt" >&2; exit 1; }

rm -rf "$dist"
mkdir -p "$dist"
bash "$root/packaging/source/make-release.sh" "$version" "$root" "$dist" \
    "$linux/packaging/source-work" >/dev/null
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
