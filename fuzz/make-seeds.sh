#!/usr/bin/env bash
# Writes the seeds that are too large to commit into OUT/<target>/ for each state reader's
# fuzz target: state blobs (a 32-bit little-endian length, then the text) that nest deeper
# than the readers accept, or are as wide as the size cap allows.
#   bash fuzz/make-seeds.sh OUT
set -euo pipefail
out=$1

repeat() { # <text> <count>
    local text=$1 count=$2 result=$1
    while [ "${#result}" -lt $((${#text} * count)) ]; do result+=$result; done
    printf '%s' "${result:0:$((${#text} * count))}"
}

blob() { # <file> <text>
    local length=${#2}
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((length & 255)) $((length >> 8 & 255)) \
        $((length >> 16 & 255)) $((length >> 24 & 255)))" >"$1"
    printf '%s' "$2" >>"$1"
}

for target in processor_state_fuzzer controller_setstate_fuzzer controller_componentstate_fuzzer; do
    dir="$out/$target"
    mkdir -p "$dir"
    blob "$dir/deep_objects" "$(repeat '{"":' 100000)1$(repeat '}' 100000)"
    blob "$dir/deep_arrays" "$(repeat '[' 200000)$(repeat ']' 200000)"
    blob "$dir/just_too_deep" "{\"timePan\":0.25,\"x\":$(repeat '{"":' 16)0$(repeat '}' 16)}"
    blob "$dir/just_deep_enough" "{\"timePan\":0.25,\"x\":$(repeat '{"":' 15)0$(repeat '}' 15)}"
    blob "$dir/wide_object" "{$(repeat '"k":0.5,' 100000)\"timePan\":0.75}"
    blob "$dir/wide_array" "{\"timePan\":0.75,\"x\":[$(repeat '0.5,' 200000)1]}"
done
