#!/usr/bin/env bash
# Installs what Quorvex needs, builds it and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DQUORVEX_BUILD_TESTS=OFF
program="$build/bin/quorvex"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Quorvex is built, but there is no display to show its window on."
    echo "Start it on a desktop session, or under a virtual display:"
    echo "  xvfb-run -a -s '-screen 0 1280x800x24' $program"
    exit 0
fi
exec "$program"
