#!/usr/bin/env bash
# Judges the LV2 bundle with LV2's own tools:
#   - lv2_validate and sord_validate: the Turtle files against the installed specifications,
#     with no error and no warning;
#   - lv2ls lists the plug-in's URI, lv2info shows its ports as described;
#   - lv2apply renders a test file with time pan at each end and between, and the other
#     controls set, the fine delay off and on: bit for bit what the renderer gives through the
#     VST3 module (lv2apply leaves the fine delay's latency in, which the renderer takes out as
#     hosts do: there the LV2 file must be the VST3 one that many samples later);
#   - jalv.gtk3, a real UI host (under Xvfb, with a dummy JACK server), shows the editor, its
#     knobs where the host's controls stand (the screenshot is BUILD_DIR/lv2-test/jalv.png).
#   scripts/lv2-tests.sh BUILD_DIR [BUNDLE]
# BUILD_DIR holds the renderer, the VST3 module and tests/lv2/tivrandel-wav-same; BUNDLE is the
# tivrandel.lv2 folder to judge (default: the one in BUILD_DIR). What the tools write stays in
# BUILD_DIR/lv2-test.
set -euo pipefail

# The UI host's part, run again by this script on a display of its own: a JACK server with the
# dummy driver, jalv.gtk3 with the plug-in's UI and the controls set, and a screenshot of its
# window that must show the editor with its knobs where the controls are.
if [ "${1:-}" = --ui-host ]; then
    shot=$2 out=$3 uri=$4
    # JACK keeps its servers' names in a registry of eight in /dev/shm, and a server that ends
    # does not always give its entry back; an entry is only taken over by a server of the same
    # name. So one name serves every run, and a second name only a run while another is going.
    export JACK_NO_START_SERVER=1
    for server in tivrandel-lv2-test "tivrandel-lv2-$$"; do
        export JACK_DEFAULT_SERVER="$server"
        jackd -n "$server" -r -d dummy -r 48000 -p 256 >"$out/jackd.log" 2>&1 &
        jack=$!
        sleep 0.5
        kill -0 "$jack" 2>/dev/null && break
    done
    jalv=
    finish() {
        [ -z "$jalv" ] || kill "$jalv" 2>/dev/null || true
        kill "$jack" 2>/dev/null || true
        wait 2>/dev/null || true
    }
    trap finish EXIT
    status=1
    for attempt in $(seq 1 40); do
        if [ -z "$jalv" ]; then
            sleep 0.5
            jalv.gtk3 -c time_pan=-100 -c level_pan=50 -c swap=1 "$uri" >"$out/jalv.log" 2>&1 &
            jalv=$!
        fi
        sleep 0.5
        # The knobs as the controls set them: time pan 0, level pan 0.75, swap 1 (normalized).
        if "$shot" Tivrandel "$out/jalv.png" 1=0 2=0.75 3=1 >"$out/shot.log" 2>&1; then
            status=0
            break
        fi
        if ! kill -0 "$jalv" 2>/dev/null; then
            jalv= # the server was not up yet: once more
        fi
    done
    cat "$out/shot.log"
    [ "$status" -eq 0 ] || { cat "$out/jackd.log" "$out/jalv.log" >&2; }
    exit "$status"
fi

[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 BUILD_DIR [BUNDLE]" >&2; exit 2; }
build=$(cd "$1" && pwd)
bundle=$(cd "${2:-$build/lv2/tivrandel.lv2}" && pwd)
started=$SECONDS
uri=https://kelvane.example/plugins/tivrandel
render="$build/tools/render/tivrandel-render"
same="$build/tests/lv2/tivrandel-wav-same"
shot="$build/tests/lv2/tivrandel-lv2-shot"
for f in "$bundle/manifest.ttl" "$bundle/tivrandel.ttl" "$bundle/tivrandel.so" "$render" "$same" \
    "$shot"; do
    [ -e "$f" ] || { echo "missing: $f" >&2; exit 1; }
done

work="$build/lv2-test"
rm -rf "$work"
mkdir -p "$work/path"
# A search path holding this bundle and the specifications it uses (lilv reads the plug-in's
# class there), but no other plug-in.
ln -s "$bundle" "$work/path/tivrandel.lv2"
vocabularies=(core ui port-groups options urid buf-size units port-props atom schemas)
for vocabulary in "${vocabularies[@]}"; do
    ln -s "/usr/lib/lv2/$vocabulary.lv2" "$work/path/"
done
export LV2_PATH="$work/path"
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

# Both validators print what they found; any error or warning fails.
judge() { # <label> <log> <command...>
    local label=$1 log=$2
    shift 2
    local status=0
    "$@" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || grep -Eiq 'error:|warn' "$log" ||
        ! grep -q 'Found 0 errors' "$log"; then
        cat "$log" >&2
        fail "$label"
    else
        echo "$label: $(grep 'Found 0 errors' "$log")"
    fi
}
judge lv2_validate "$work/lv2_validate.log" lv2_validate "$bundle"/*.ttl
# sord_validate itself, with the specifications of every vocabulary the files use.
definitions=()
for vocabulary in "${vocabularies[@]}"; do
    definitions+=(/usr/lib/lv2/"$vocabulary".lv2/*.ttl)
done
judge sord_validate "$work/sord_validate.log" sord_validate "${definitions[@]}" "$bundle"/*.ttl

listed=$(lv2ls 2>"$work/lv2ls.log")
if [ "$listed" = "$uri" ] && [ ! -s "$work/lv2ls.log" ]; then
    echo "lv2ls: $listed"
else
    cat "$work/lv2ls.log" >&2
    fail "lv2ls lists '$listed', not $uri alone"
fi

lv2info "$uri" >"$work/lv2info.txt" 2>"$work/lv2info.log" || fail "lv2info"
# One line per port: index, then its fields, in lv2info's own words.
ports=$(awk '/^\tPort [0-9]+:/ { if (line) print line; line = $2 }
             /^\t\t[A-Z]/ { sub(/^\t\t/, ""); gsub(/ +/, " "); line = line " | " $0 }
             /^\t\t +http/ { sub(/^\t\t +/, ""); line = line " " $0 }
             END { if (line) print line }' "$work/lv2info.txt")
expect_port() { # <index> <pattern>...
    local index=$1 line
    shift
    line=$(grep "^$index: " <<<"$ports" || true)
    for pattern in "$@"; do
        grep -q -- "$pattern" <<<"$line" || fail "lv2info port $index lacks '$pattern': $line"
    done
}
lv2=http://lv2plug.in/ns/lv2core
# The fine delay's latency, the same at every rate (the README's figure).
fine_latency=7
pg=http://lv2plug.in/ns/ext/port-groups
expect_port 0 "Symbol: in_left" "AudioPort" "InputPort" "Designation: $pg#left" "Group: $uri#in"
expect_port 1 "Symbol: in_right" "AudioPort" "InputPort" "Designation: $pg#right" "Group: $uri#in"
expect_port 2 "Symbol: out_left" "AudioPort" "OutputPort" "Designation: $pg#left" "Group: $uri#out"
expect_port 3 "Symbol: out_right" "AudioPort" "OutputPort" "Designation: $pg#right" "Group: $uri#out"
expect_port 4 "Symbol: enabled" "ControlPort" "Designation: $lv2#enabled" "Minimum: 0.000000" \
    "Maximum: 1.000000" "Default: 1.000000" "Properties: $lv2#toggled"
expect_port 5 "Symbol: time_pan" "ControlPort" "Minimum: -100.000000" "Maximum: 100.000000" \
    "Default: 0.000000"
expect_port 6 "Symbol: level_pan" "ControlPort" "Minimum: -100.000000" "Maximum: 100.000000" \
    "Default: 0.000000"
expect_port 7 "Symbol: swap" "ControlPort" "Minimum: 0.000000" "Maximum: 1.000000" \
    "Default: 0.000000" "Properties: $lv2#toggled"
pprops=http://lv2plug.in/ns/ext/port-props
expect_port 8 "Symbol: fine_delay" "ControlPort" "InputPort" "Minimum: 0.000000" \
    "Maximum: 1.000000" "Default: 0.000000" "$lv2#toggled" "$pprops#notAutomatic" \
    "$pprops#expensive"
expect_port 9 "Symbol: latency" "ControlPort" "OutputPort" "Designation: $lv2#latency" \
    "Minimum: 0.000000" "Maximum: $fine_latency.000000" "$lv2#reportsLatency" "$lv2#integer" \
    "$pprops#notOnGUI"
[ "$(wc -l <<<"$ports")" -eq 10 ] || fail "lv2info shows $(wc -l <<<"$ports") ports, not 10"
grep -q "Author: *Kelvane" "$work/lv2info.txt" || fail "lv2info names no maintainer Kelvane"
grep -q "Class: *Spatial" "$work/lv2info.txt" || fail "lv2info gives another class"
echo "lv2info: 10 ports as described"

# The input: the demo signal through the bypassed plug-in, which is the signal itself.
input="$work/input.wav"
"$render" --length 3 --param bypass=0:1 "$input" >"$work/render.log" 2>&1 ||
    { cat "$work/render.log" >&2; fail "rendering the input"; }
# Port values in user units, and the same settings normalized for the renderer:
# enabled time_pan level_pan swap fine_delay | bypass timepan levelpan swap finedelay
cases=("1 -100 0 0 0 | 0 0 0.5 0 0"
       "1 -30 -30 1 0 | 0 0.35 0.35 1 0"
       "1 0 50 0 0 | 0 0.5 0.75 0 0"
       "1 50 -100 1 0 | 0 0.75 0 1 0"
       "1 100 100 0 0 | 0 1 1 0 0"
       "0 100 20 1 0 | 1 1 0.6 1 0"
       "1 -30 -30 1 1 | 0 0.35 0.35 1 1"
       "1 100 100 0 1 | 0 1 1 0 1")
n=0
for case in "${cases[@]}"; do
    read -r enabled time level swap fine _ bypass ntime nlevel nswap nfine <<<"$case"
    n=$((n + 1))
    "$render" --param "bypass=0:$bypass" --param "timepan=0:$ntime" --param "levelpan=0:$nlevel" \
        --param "swap=0:$nswap" --param "finedelay=0:$nfine" "$input" "$work/vst3-$n.wav" \
        >>"$work/render.log" 2>&1 || { fail "the VST3 render of case $n"; continue; }
    lv2apply -i "$input" -o "$work/lv2-$n.wav" -c enabled "$enabled" -c time_pan "$time" \
        -c level_pan "$level" -c swap "$swap" -c fine_delay "$fine" "$uri" \
        >"$work/lv2apply-$n.log" 2>&1 ||
        { cat "$work/lv2apply-$n.log" >&2; fail "lv2apply, case $n"; continue; }
    if result=$("$same" "$work/lv2-$n.wav" "$work/vst3-$n.wav" $((fine * fine_latency))); then
        echo "lv2apply enabled=$enabled time_pan=$time level_pan=$level swap=$swap" \
            "fine_delay=$fine: $result as VST3"
    else
        fail "lv2apply, case $n, differs from VST3: $result"
    fi
done
"$same" "$work/lv2-1.wav" "$work/lv2-5.wav" >/dev/null && fail "the two ends of time pan sound the same"

# A real UI host shows the editor.
if xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --ui-host "$shot" "$work" "$uri" \
    >"$work/ui-host.log" 2>&1; then
    echo "jalv.gtk3: $(grep 'pixels differ' "$work/ui-host.log")"
else
    cat "$work/ui-host.log" >&2
    fail "jalv.gtk3 does not show the editor"
fi

echo "LV2 judges took $((SECONDS - started)) s"
exit "$failed"
