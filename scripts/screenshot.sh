#!/usr/bin/env bash
# Starts build/bin/quorvex on a virtual X display, waits until its main window
# is shown, saves a PNG of the screen to OUT.png and ends the program.
# The build folder can be changed with QUORVEX_BUILD_DIR.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 OUT.png" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
program="$build/bin/quorvex"
out=$(realpath -m "$1")
[ -x "$program" ] || { echo "no program at $program; build first" >&2; exit 1; }

export QUORVEX_SHOT_PROGRAM="$program" QUORVEX_SHOT_OUT="$out"
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -euo pipefail
    "$QUORVEX_SHOT_PROGRAM" & pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    shown() {
        if command -v xwininfo >/dev/null; then
            xwininfo -name Quorvex 2>/dev/null | grep -q "Map State: IsViewable"
        else
            sleep 3  # without x11-utils there is no asking; give the window time to appear
        fi
    }
    for _ in $(seq 1 100); do
        if shown; then break; fi
        kill -0 $pid 2>/dev/null || { echo "quorvex ended before showing its window" >&2; exit 1; }
        sleep 0.1
    done
    shown || { echo "no window shown" >&2; exit 1; }
    kill -0 $pid 2>/dev/null || { echo "quorvex ended before the screenshot" >&2; exit 1; }
    sleep 1  # let the first paint finish
    import -window root "$QUORVEX_SHOT_OUT"
    echo "saved $QUORVEX_SHOT_OUT"
'
