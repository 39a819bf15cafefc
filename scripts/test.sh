#!/usr/bin/env bash
# Installs what Quorvex needs, builds it with warnings as errors and runs every
# test. Real-window checks run under a virtual X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DQUORVEX_WERROR=ON -DQUORVEX_BUILD_TESTS=ON
cd "$build"
jobs=$(nproc 2>/dev/null || echo 2)
# The "xvfb" label needs a real X server; everything else runs headless.
ctest --output-on-failure -j "$jobs" -LE xvfb
if ctest -N -L xvfb | grep -q 'Total Tests: [1-9]'; then
    xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure -L xvfb
fi
