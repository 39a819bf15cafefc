#!/usr/bin/env bash
# How far the conversion list's expected output size is from the size the run
# really writes: for a few bit-rate targets, converts generated clips with
# quorvex-cli using the option window's defaults and compares the file's size
# with (video + audio bit rate) x duration / 8 x 1.02, the list's estimate.
#   bash bench/estimates.sh [SECONDS]
# The build folder can be changed with QUORVEX_BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
cli="$build/bin/quorvex-cli"
seconds=${1:-20}
[ -x "$cli" ] || { echo "no quorvex-cli at $cli; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# a busy picture (noise-like detail) and a plain one, both with sound
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=s=640x360:r=25:d=$seconds" \
    -f lavfi -i "sine=frequency=440:d=$seconds" -c:v libx264 -preset ultrafast -c:a aac -shortest "$work/busy.mp4"
ffmpeg -nostdin -loglevel error -f lavfi -i "color=c=navy:s=640x360:r=25:d=$seconds" \
    -f lavfi -i "sine=frequency=220:d=$seconds" -c:v libx264 -preset ultrafast -c:a aac -shortest "$work/plain.mp4"

default_of() {  # the starred entry of an option list, as a number
    "$cli" options "$1" | awk -v list="$2:" '$0 == list {on=1; next} /^[a-z-]+:$/ {on=0} on && /\*/ {print $2; exit}'
}

printf '| format | source | expected bytes | real bytes | error |\n|---|---|---|---|---|\n'
worst=0
for format in 1 12; do
    video=$(default_of "$format" video-bitrate)
    audio=$(default_of "$format" audio-bitrate)
    [ -n "$video" ] && [ -n "$audio" ] || { echo "format $format: no bit-rate defaults" >&2; continue; }
    for source in busy plain; do
        out="$work/out-$format-$source"
        mkdir -p "$out"
        "$cli" convert -f "$format" -o "$out" "$work/$source.mp4" >/dev/null
        file=$(find "$out" -type f | head -1)
        real=$(stat -c %s "$file")
        duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
        expected=$(awk -v v="$video" -v a="$audio" -v d="$duration" 'BEGIN {printf "%d", (v + a) * 1000 * d / 8 * 1.02}')
        error=$(awk -v e="$expected" -v r="$real" 'BEGIN {printf "%+.1f", (e - r) * 100 / r}')
        printf '| %s | %s | %s | %s | %s %% |\n' "$format" "$source" "$expected" "$real" "$error"
        worst=$(awk -v w="$worst" -v e="$error" 'BEGIN {e = e < 0 ? -e : e; print (e > w ? e : w)}')
    done
done
echo
echo "largest size error: $worst % (goal: within 10 % for bit-rate settings)"
