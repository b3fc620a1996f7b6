#!/usr/bin/env bash
# Runs the test programs of a Windows build under Wine, headless.
#   bash scripts/wine-tests.sh [build dir]      (default: build/windows)
# The programs are the ones the build lists in windows-tests.txt. Each one's output goes to
# <build>/wine-results/<name>.log; the script ends non-zero if any program fails, times out or
# reports a failed test, or if none ran. TIVRANDEL_WINE_TIMEOUT sets the seconds each program may
# take (300).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
list="$build/windows-tests.txt"
per_program_seconds=${TIVRANDEL_WINE_TIMEOUT:-300}

[ -f "$list" ] || {
    echo "no $list: build the Windows tests first"
    exit 1
}

# The prefix lives in the build folder so that nothing outside it is touched. The programs are
# console programs; those that open windows get a virtual X server of their own (below). Mono
# and Gecko are never needed and cannot be downloaded.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# Wine names files through the locale: without a UTF-8 one (a bare root shell on a fresh machine
# has none) a non-ASCII path cannot be made.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine wants a home even where the caller has none.
export HOME=${HOME:-$build}
unset DISPLAY WAYLAND_DISPLAY
results="$build/wine-results"
rm -rf "$results"
mkdir -p "$results"

xvfb_pid=""
trap 'wineserver -k >/dev/null 2>&1 || true; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT

# One X server for the whole run, started before the prefix so that Wine finds it: Wine makes no
# window without one. The first display number whose server comes up is ours (another run may
# take a number at the same moment; that server then fails and the next number is tried).
if command -v Xvfb >/dev/null; then
    for number in $(seq 91 140); do
        [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$results/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            [ -S "/tmp/.X11-unix/X$number" ] && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$xvfb_pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$number" ]; then
            export DISPLAY=":$number"
            break
        fi
        kill "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    done
fi
[ -n "${DISPLAY:-}" ] || echo "no X server (Xvfb): programs that open windows will fail"

# Wine's helper processes inherit the output of the first program and hold it open for minutes:
# every Wine command writes to a file, never to a pipe.
mkdir -p "$WINEPREFIX"
wineserver -p
status=0
wineboot -i </dev/null >"$results/wineboot.log" 2>&1 || status=$?
# wineboot answers 2 when a server is already running, as here.
if [ "$status" -ne 0 ] && [ "$status" -ne 2 ]; then
    cat "$results/wineboot.log"
    echo "wineboot failed ($status)"
    exit 1
fi

# Fonts that Windows programs assume, and no crash dialog, which would wait forever for a click.
cat >"$results/settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Microsoft Sans Serif"="Liberation Sans"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
EOF
# Wine's drive Z: is the Linux root.
wine regedit /S "Z:${results//\//\\}\\settings.reg" </dev/null >"$results/regedit.log" 2>&1 || {
    cat "$results/regedit.log"
    echo "regedit failed"
    exit 1
}

passed=0
failed=0
programs=0
bad_programs=()
while IFS= read -r program; do
    [ -n "$program" ] || continue
    name=$(basename "$program" .exe)
    log="$results/$name.log"
    programs=$((programs + 1))
    code=0
    timeout --kill-after=10 "$per_program_seconds" wine "$program" </dev/null >"$log.crlf" 2>&1 ||
        code=$?
    tr -d '\r' <"$log.crlf" >"$log"
    rm -f "$log.crlf"
    # GoogleTest's summary: "[  PASSED  ] N tests." and, on failures, "[  FAILED  ] N tests,".
    ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$log" | tail -n 1)
    passed=$((passed + ${ok:-0}))
    failed=$((failed + ${bad:-0}))
    if [ "$code" -ne 0 ] || [ -z "$ok" ] || [ -n "$bad" ]; then
        bad_programs+=("$name")
        echo "-- $name: FAILED (exit $code)"
        tail -n 40 "$log"
    else
        echo "-- $name: $ok passed"
    fi
done <"$list"

echo "Windows tests under Wine: $programs programs, $passed tests passed, $failed failed"
if [ "$programs" -eq 0 ] || [ ${#bad_programs[@]} -gt 0 ]; then
    [ ${#bad_programs[@]} -gt 0 ] && echo "failing programs: ${bad_programs[*]}"
    exit 1
fi
