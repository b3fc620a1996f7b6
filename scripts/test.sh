#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the concurrency tests under ThreadSanitizer,
#   2. each fuzz target for a bounded time under AddressSanitizer (clang's libFuzzer),
#   3. a Release build of the plug-in, tools and benchmarks, with its tests (the editor's X
#      window tests under Xvfb),
#   4. the Release module played in Ardour, as VST3 and as VST2,
#   5. the Windows DLL and its tests (mingw-w64), the tests run under Wine with Xvfb,
#   6. the release made from those two builds (into build/dist) and tested as installed: the
#      Debian package, the archives and the source archive unpacked, the Windows installer run
#      under Wine, and the package and the installer each updating the earlier release,
#   7. the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer (last, so that its
#      summary closes the output).
# Any failure ends the script with a non-zero status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-packages.sh" test
jobs=$(nproc)
fuzz_seconds=${TIVRANDEL_FUZZ_SECONDS:-20}

configure() { # <dir> <cmake args...>
    local dir=$1
    shift
    cmake -S "$root" -B "$root/build/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$root/build/$dir" -j "$jobs"
}

echo "== ThreadSanitizer: concurrency tests"
configure tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIVRANDEL_SANITIZE=thread \
    -DTIVRANDEL_TOOLS=OFF -DTIVRANDEL_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$root/build/tsan" -L concurrency --output-on-failure -j "$jobs"

echo "== Fuzzing: ${fuzz_seconds}s per target"
CC=clang-14 CXX=clang++-14 configure fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIVRANDEL_FUZZ=ON \
    -DTIVRANDEL_TESTS=OFF -DTIVRANDEL_TOOLS=OFF -DTIVRANDEL_BENCH=OFF
# Deep and wide state blobs, too large to commit, seed the state readers' targets.
bash "$root/fuzz/make-seeds.sh" "$root/build/fuzz/generated-seeds"
for fuzzer in "$root"/fuzz/*_fuzzer.cpp; do
    name=$(basename "$fuzzer" .cpp)
    corpus="$root/build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$root/fuzz/seeds/$name" ] && seeds=("$root/fuzz/seeds/$name")
    [ -d "$root/build/fuzz/generated-seeds/$name" ] && seeds+=("$root/build/fuzz/generated-seeds/$name")
    # A state blob may be as long as its size cap: 4 bytes of length and 1 MiB of text.
    limits=()
    [[ $name == *state_fuzzer ]] && limits=(-max_len=1048580)
    echo "-- $name"
    "$root/build/fuzz/fuzz/$name" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        -error_exitcode=77 -dict="$root/fuzz/json.dict" "${limits[@]}" \
        "$corpus" "${seeds[@]}" >"$root/build/fuzz/$name.log" 2>&1 || {
        tail -n 60 "$root/build/fuzz/$name.log"
        echo "fuzz target $name failed"
        exit 1
    }
    grep -E '^stat::number_of_executed_units' "$root/build/fuzz/$name.log" || true
done

echo "== Release build and tests"
# The demo configures this folder without tests: switch them back on.
configure release -DCMAKE_BUILD_TYPE=Release -DTIVRANDEL_TESTS=ON -DTIVRANDEL_BENCH=ON \
    -DTIVRANDEL_TOOLS=ON
ctest --test-dir "$root/build/release" --output-on-failure -j "$jobs" -LE gui
# The editor in X windows, under a display of its own that does not reset between the test
# programs; one at a time, since XTest moves the one pointer.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$root/build/release" --output-on-failure -L gui
bash "$root/scripts/clap-tests.sh" "$root/build/release"
bash "$root/scripts/lv2-tests.sh" "$root/build/release"

echo "== Ardour: the Release module played in a real host, as VST3 and as VST2"
bash "$root/scripts/ardour-test.sh" "$root/build/release"

echo "== Windows: the DLL and its tests, run under Wine"
configure windows -DCMAKE_BUILD_TYPE=Release -DTIVRANDEL_TESTS=ON \
    "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64-x86_64.cmake"
ctest --test-dir "$root/build/windows" --output-on-failure -j "$jobs"
bash "$root/scripts/wine-tests.sh" "$root/build/windows"

echo "== Release: the installer, package and archives, tested as installed"
bash "$root/scripts/release.sh" "$root/build/release" "$root/build/windows" "$root/build/dist"
bash "$root/scripts/release-tests.sh" "$root/build/dist" "$root/build/release" "$root/build/windows"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: unit tests"
configure asan -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTIVRANDEL_SANITIZE=address;undefined" \
    -DTIVRANDEL_TOOLS=OFF -DTIVRANDEL_BENCH=OFF
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1" \
    ctest --test-dir "$root/build/asan" -L unit --output-on-failure -j "$jobs"
