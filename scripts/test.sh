#!/usr/bin/env bash
# Checks the layering of the includes (scripts/check-layers.sh), installs what
# Quorvex needs, checks that the sources are formatted (scripts/check-format.sh),
# builds it with warnings as errors and runs every test, real-window checks
# under a virtual X display; then the same suite under AddressSanitizer +
# UndefinedBehaviorSanitizer, each fuzz target for 60 s and the threaded tests
# under ThreadSanitizer (scripts/test-sanitizers.sh).
# QUORVEX_SANITIZERS=0 skips the sanitizer stages for a quick local run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
start=$SECONDS
bash "$root/scripts/check-layers.sh"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/check-format.sh"
bash "$root/scripts/build.sh" -DQUORVEX_WERROR=ON -DQUORVEX_BUILD_TESTS=ON
cd "$build"
jobs=$(nproc 2>/dev/null || echo 2)
# The "xvfb" label needs a real X server; everything else runs headless.
ctest --output-on-failure -j "$jobs" -LE xvfb
if ctest -N -L xvfb | grep -q 'Total Tests: [1-9]'; then
    xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure -L xvfb
fi
echo "== build and tests: $((SECONDS - start)) s"
if [[ ${QUORVEX_SANITIZERS:-1} != 0 ]]; then
    bash "$root/scripts/test-sanitizers.sh" all
fi
echo "== all: $((SECONDS - start)) s"
