#!/usr/bin/env bash
# Builds everything and renders the built-in demo through the built plug-in module: a generated
# signal whose time pan is automated from left to right, written to out/tivrandel-demo.wav. Then
# builds the Windows DLL and makes the release into dist/: the Windows installer and archive, the
# Debian package and the Linux archive, the source archive, and their SHA256SUMS. In an unpacked
# source archive, which is no git checkout, it stops before the release: that is made from a
# commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-packages.sh" build

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTIVRANDEL_TESTS=OFF -DTIVRANDEL_BENCH=OFF
cmake --build "$build"

mkdir -p "$root/out"
"$build/tools/render/tivrandel-render" \
    --plugin "$build/Tivrandel64.vst3/Contents/x86_64-linux/Tivrandel64.so" \
    --length 8 --param timepan=0:0,8:1 "$root/out/tivrandel-demo.wav"
echo "Demo written to $root/out/tivrandel-demo.wav"
echo "Plug-in bundle: $build/Tivrandel64.vst3 (install it with: cmake --install $build)"

# The product itself: the 64-bit Windows DLL.
windows="$root/build/windows-release"
cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIVRANDEL_TESTS=OFF \
    "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$windows" --target Tivrandel64
echo "Windows plug-in: $windows/Tivrandel64.vst3 (as a bundle: $windows/vst3/Tivrandel64.vst3)"

# What users install, made from the two modules just built and the committed source.
if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" != "$(cd "$root" && pwd -P)" ]; then
    echo "No release: $root is not a git checkout (the release's source archive is its commit)"
    exit 0
fi
started=$SECONDS
bash "$root/scripts/release.sh" "$build" "$windows" "$root/dist"
echo "(the release took $((SECONDS - started)) s; README.md tells how to install each artifact)"
