#!/usr/bin/env bash
# How far the conversion list's estimates are from what the run then does.
# For a few bit-rate and constant-quality targets (the option window's
# defaults), tools' quorvex-estimates takes the list's two size estimates of
# each generated clip (from the bit rates, and from a sample of short pieces
# converted with the row's settings), then converts the clips one after
# another as the list does, feeding the list's run estimates with the
# progress reports; it notes what the row and the list said was left at 50 %
# and how long it really took from there. The table goes to stdout and into
# its own section of bench/results.md.
#   bash bench/estimates.sh [SECONDS]
# The build folder can be changed with QUORVEX_BUILD_DIR, the results file with RESULTS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEX_BUILD_DIR:-$root/build}
tool="$build/bin/quorvex-estimates"
results=${RESULTS:-$root/bench/results.md}
seconds=${1:-20}
long=$((seconds * 6))  # bit-rate runs are fast: longer clips give them a remaining time worth judging
[ -x "$tool" ] || { echo "no quorvex-estimates at $tool; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/bench/lib.sh"
began=$(date +%s)

# a busy picture (noise-like detail) and a plain one, both with sound
clip() {  # NAME PICTURE SECONDS TONE (PICTURE: a source with its first option's separator)
    ffmpeg -nostdin -loglevel error -f lavfi -i "${2}s=640x360:r=25:d=$3" -f lavfi -i "sine=frequency=$4:d=$3" \
        -c:v libx264 -preset ultrafast -c:a aac -shortest "$work/$1.mp4"
}
clip busy testsrc2= "$seconds" 440
clip plain color=c=navy: "$seconds" 220
clip busy-long testsrc2= "$long" 440
clip plain-long color=c=navy: "$long" 220

sizes="$work/sizes.md"
times="$work/times.md"
lists="$work/lists.md"
printf '| format | source | real bytes | bit-rate estimate | error | sample estimate | error | sample took (s) |\n|---|---|---|---|---|---|---|---|\n' >"$sizes"
printf '| format | source | left at 50 %% (s) | really left (s) | error |\n|---|---|---|---|---|\n' >"$times"
printf '| format | sources | list said left at 50 %% (s) | really left (s) | error |\n|---|---|---|---|---|\n' >"$lists"
: >"$work/size-errors"
: >"$work/time-errors"

estimate() {  # FORMAT KIND(bit-rate|quality) SUFFIX
    local format=$1 kind=$2 suffix=$3
    "$tool" "$format" "$work/out-$format$suffix" "$work/busy$suffix.mp4" "$work/plain$suffix.mp4" >"$work/lines"
    awk -F'\t' -v f="$format" -v kind="$kind" -v sizes="$sizes" -v times="$times" -v lists="$lists" \
        -v sizeErrors="$work/size-errors" -v timeErrors="$work/time-errors" -v suffix="$suffix" '
        function err(e, r) { return (e - r) * 100 / r }
        $1 == "file" {
            n = split($2, parts, "/"); source = parts[n]
            if (suffix == "") {
                b = $4 < 0 ? "-" : $4; be = $4 < 0 ? "-" : sprintf("%+.1f %%", err($4, $7))
                printf "| %s (%s) | %s | %d | %s | %s | %d | %+.1f %% | %.1f |\n", f, kind, source, $7, b, be, $5, err($5, $7), $6 >> sizes
                printf "%s %.2f\n", kind, err($5, $7) >> sizeErrors
            }
            if ($9 >= 3 && $8 >= 0) {  # a run that still had seconds to go at its middle
                printf "| %s | %s | %.2f | %.2f | %+.1f %% |\n", f, source, $8, $9, err($8, $9) >> times
                printf "%.2f\n", err($8, $9) >> timeErrors
            } else if ($9 >= 0) {
                printf "| %s | %s | %.2f | %.2f | (too short to judge) |\n", f, source, $8, $9 >> times
            }
        }
        $1 == "list" && $3 > 0 {
            e = $2 < 0 ? "(none yet)" : sprintf("%+.1f %%", err($2, $3))
            printf "| %s | busy%s, plain%s | %.2f | %.2f | %s |\n", f, suffix, suffix, $2, $3, e >> lists
        }' "$work/lines"
}
estimate 1 bit-rate ""
estimate 12 bit-rate ""
estimate 300 quality ""
estimate 310 bit-rate ""
estimate 1 bit-rate -long

worst() {  # FILE [KIND]: the largest absolute error
    awk -v kind="${2:-}" '(kind == "" || $1 == kind) { e = $NF < 0 ? -$NF : $NF; if (e > w) w = e } END { printf "%.1f", w }' "$1"
}
section="$work/section.md"
{
    echo "## Size and time estimates (bench/estimates.sh)"
    echo
    echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'); the script took $(( $(date +%s) - began )) s; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo "Inputs: ${seconds} s (and, for the remaining time of a bit-rate target, ${long} s) 640x360 25 fps H.264/AAC, one busy"
    echo "picture (testsrc2) and one plain (a flat colour); each format with the option window's defaults, the two"
    echo "clips converted one after another. \"error\" is (estimate - real) / real."
    echo
    echo "### Output size"
    echo
    cat "$sizes"
    echo
    echo "Largest sample-estimate error: $(worst "$work/size-errors" bit-rate) % for bit-rate targets, $(worst "$work/size-errors" quality) % for"
    echo "constant quality (goal: within 10 %)."
    echo
    echo "### Remaining time of a row at 50 %"
    echo
    cat "$times"
    echo
    echo "Largest error of the rows judged: $(worst "$work/time-errors") % (goal: within 15 %)."
    echo
    echo "### Remaining time of the whole list at 50 %"
    echo
    cat "$lists"
} >"$section"
cat "$section"

replace_section "$results" "## Size and time estimates (bench/estimates.sh)" "$section"
echo "bench: wrote the estimates section of $results" >&2
