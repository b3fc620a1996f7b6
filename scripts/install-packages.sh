#!/usr/bin/env bash
# Installs the Debian packages the build needs: "build" for the plug-in and its tools,
# "test" for that plus the test, sanitizer and fuzzing toolchain.
set -euo pipefail
what=${1:-build}

packages=(build-essential cmake ninja-build pkg-config git
          juce-modules-source-data picojson-dev fst-dev libsndfile1-dev)
if [ "$what" = test ]; then
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
               locales-all)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
