#!/usr/bin/env bash
# Builds everything and renders the built-in demo through the built plug-in module: a generated
# signal whose time pan is automated from left to right, written to out/tivrandel-demo.wav.
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
