#!/usr/bin/env bash
# Starts build/bin/quorvex on a virtual X display, waits until its main window
# (or, with --chooser, the format chooser) is shown, saves a PNG of the screen
# to OUT.png and ends the program.
# The build folder can be changed with QUORVEX_BUILD_DIR.
set -euo pipefail
# --chooser PAGE: the format chooser open on its page PAGE (1-4) over the main window
window_name=Quorvex
if [ "${1:-}" = "--chooser" ] && [ $# -ge 2 ]; then
    export QUORVEX_SHOW_CHOOSER_PAGE="$2"
    window_name="选择转换格式"
    shift 2
fi
if [ $# -ne 1 ]; then
    echo "usage: $0 [--chooser PAGE] OUT.png" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
program="$build/bin/quorvex"
out=$(realpath -m "$1")
[ -x "$program" ] || { echo "no program at $program; build first" >&2; exit 1; }

export QUORVEX_SHOT_PROGRAM="$program" QUORVEX_SHOT_OUT="$out" QUORVEX_SHOT_WINDOW="$window_name"
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -euo pipefail
    "$QUORVEX_SHOT_PROGRAM" & pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    shown() {
        if command -v xwininfo >/dev/null; then
            xwininfo -name "$QUORVEX_SHOT_WINDOW" 2>/dev/null | grep -q "Map State: IsViewable"
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
