#!/usr/bin/env bash
# Starts build/bin/quorvex on a virtual X display, waits until its main window
# (or, with --chooser, the format chooser) is shown, saves a PNG of the screen
# to OUT.png and ends the program.
#   screenshot.sh [--chooser PAGE] OUT.png [SCENE]
# --chooser PAGE: the format chooser open on its page PAGE (1-4) over the main window.
# SCENE is one of
#   main        the main window as it starts (the default)
#   messagebox  a question box of the main window with its Chinese buttons
#   converting  the main window maximised with four files converting at once:
#               speed and time left per row, the whole list's progress below
# The build folder can be changed with QUORVEX_BUILD_DIR.
set -euo pipefail
window_name=Quorvex
if [ "${1:-}" = "--chooser" ] && [ $# -ge 2 ]; then
    export QUORVEX_SHOW_CHOOSER_PAGE="$2"
    window_name="选择转换格式"
    shift 2
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 [--chooser PAGE] OUT.png [main|messagebox|converting]" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
program="$build/bin/quorvex"
out=$(realpath -m "$1")
scene=${2:-main}
[ -x "$program" ] || { echo "no program at $program; build first" >&2; exit 1; }

if [ "$scene" != main ]; then
    scenes="$build/bin/quorvex-scenes"
    [ -x "$scenes" ] || { echo "no scene tool at $scenes; build first" >&2; exit 1; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # a home of its own, so the shot does not depend on this machine's settings
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    mkdir -p "$HOME"
    files=()
    case "$scene" in
    messagebox) ;;
    converting)
        for name in 海边 山里 城市夜景 家人聚会; do
            ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=s=1280x720:r=30:d=40" \
                -f lavfi -i "sine=frequency=440:d=40" -c:v libx264 -preset ultrafast -c:a aac -shortest \
                "$work/$name.mp4"
            files+=("$work/$name.mp4")
        done ;;
    *) echo "unknown scene $scene" >&2; exit 2 ;;
    esac
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$scenes" "$scene" "$out" "${files[@]}"
fi

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
