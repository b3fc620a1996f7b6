#!/usr/bin/env bash
# Installs the Debian packages the build needs: "build" for the plug-in and its tools,
# "test" for that plus the test, sanitizer and fuzzing toolchain; "resources" only for
# regenerating the embedded images and fonts (scripts/make-resources.sh).
set -euo pipefail
what=${1:-build}

if [ "$what" = resources ]; then
    packages=(python3 fonttools fonts-lato)
else
    # The release: makensis for the Windows installer, dpkg-shlibdeps (dpkg-dev) for the
    # Debian package's dependencies, Perl (IO::Compress::Zip) for the zip archive. lv2-dev: the
    # LV2 headers of the LV2 bundle's binary (and its validator).
    # The Windows DLL is cross-compiled with mingw-w64's posix-threads variant (never the win32
    # one, which has no std::thread and takes over the unsuffixed compiler names).
    packages=(build-essential cmake ninja-build pkg-config git
              juce-modules-source-data picojson-dev fst-dev libsndfile1-dev
              libcairo2-dev libfreetype-dev libfontconfig-dev libxcb1-dev
              g++-mingw-w64-x86-64-posix
              nsis dpkg-dev perl
              lv2-dev)
fi
if [ "$what" = test ]; then
    # googletest: its sources, built inside the Windows build. wine and wine64 together (wine64
    # alone has no wine command and no wineboot); Liberation for the fonts Windows programs expect.
    # Ardour: a real host for the Linux module, run headless (scripts/ardour-test.sh).
    # lintian checks the Debian package of the release. LV2's own judges of the LV2 bundle: lilv's
    # tools (lv2ls, lv2info, lv2apply, lv2bench), sord_validate, and jalv, a UI host, on JACK.
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
               locales-all googletest wine wine64 fonts-liberation xvfb xauth
               libxcb-xtest0-dev ardour lintian
               lilv-utils sordi jalv jackd2)
fi

# CLAP: the plug-in's headers come with dpf-source; Qtractor's scanner judges the module.
if [ "$what" != resources ]; then
    packages+=(dpf-source)
fi
if [ "$what" = test ]; then
    packages+=(qtractor)
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
