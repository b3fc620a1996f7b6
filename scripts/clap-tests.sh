#!/usr/bin/env bash
# The CLAP plug-in judged as a host sees it:
#   bash scripts/clap-tests.sh BUILD [MODULE]
# BUILD is a Linux build with tests; MODULE a Tivrandel.clap (default: the one BUILD made, or
# for instance the one a package installed).
#   1. the project's CLAP host test, through the module's ABI, against MODULE (its editor in an
#      X window under Xvfb);
#   2. Qtractor's plug-in scanner, fed a request on its standard input as Qtractor feeds it
#      ("CLAP:<file>"), lists the plug-in with its name, stereo ports, four parameters and
#      editor.
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 BUILD [MODULE]" >&2; exit 2; }
build=$(realpath "$1")
module=$(realpath "${2:-$build/clap/Tivrandel.clap}")
[ -f "$module" ] || { echo "no CLAP module at $module" >&2; exit 1; }
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan

echo "-- CLAP host test: $module"
TIVRANDEL_CLAP_MODULE="$module" "$build/tests/clap/clap_host_test" --gtest_brief=1
TIVRANDEL_CLAP_MODULE="$module" xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    "$build/tests/clap/clap_gui_test" --gtest_brief=1

echo "-- Qtractor's scanner"
[ -x "$scanner" ] || { echo "no $scanner (Debian package qtractor)" >&2; exit 1; }
# One line per plug-in: type|name|audio ins:outs|MIDI ins:outs|controls ins:outs|flags|file|...
listed=$(echo "CLAP:$module" | timeout 60 "$scanner" 2>&1) || {
    echo "$listed"
    echo "the scanner failed" >&2
    exit 1
}
echo "$listed"
line=$(echo "$listed" | grep '^CLAP|' | head -n 1)
IFS='|' read -r type name audio midi controls flags file _ <<<"$line"
[ "$type|$name|$audio|$midi|$controls" = "CLAP|Tivrandel|2:2|0:0|5:0" ] ||
    { echo "the scanner does not list Tivrandel with 2:2 audio and 5 parameters" >&2; exit 1; }
[[ ",$flags," == *,EXT,* ]] || { echo "the scanner finds no editor" >&2; exit 1; }
[ "$file" = "$module" ] || { echo "the scanner lists another file: $file" >&2; exit 1; }
echo "CLAP tests passed"
