#!/usr/bin/env bash
# What resumable output costs: formats 1 and 126 converted with resumable
# output (the default) and written directly (convert --no-resume), each
# against the ffmpeg tool doing the same job in the same run, pinned with
# taskset; then one conversion killed past half of its source and resumed,
# for what copying the kept part into the resumed run's output costs. Writes
# the section "## Resumable output" of bench/results.md.
#
#   bench/resume.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (runs per side and job, default 3), CORE_SETS (taskset CPU
# lists, default "0 0,1"), CLIP_SECONDS (default 30), CALLGRIND=1 (instruction
# counts of both roads on a 12 s cut, slow), RESULTS (output file).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build}
cli=$build/bin/quorvex-cli
runs=${RUNS:-3}
clip=${CLIP_SECONDS:-30}
results=${RESULTS:-$here/results.md}
read -r -a core_sets <<< "${CORE_SETS:-0 0,1}"
[ -x "$cli" ] || { echo "bench: $cli not built (cmake --build $build --target quorvex-cli)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "bench: ffmpeg needed" >&2; exit 2; }
source "$here/lib.sh"
bench_require_timing
bench_start=$(date +%s)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

work=$(mktemp -d /tmp/quorvex-resume.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/r" "$work/p" "$work/f" "$work/k"

echo "bench: generating the input in $work/in" >&2
mp4=$work/in/hd720.mp4
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=$clip" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$clip" -ac 2 \
    -c:v libx264 -preset medium -b:v 2500k -pix_fmt yuv420p -c:a aac -b:a 128k "$mp4"
bench_tool_preset "$build"
ff=(ffmpeg -nostdin -v error -y)


# the two jobs: key, label, the converter's format, the tool's command
labels=([1]="format 1 (AVI mpeg4 DX50)" [126]="format 126 (MP4 libx264)")
tool() {  # FORMAT: the ffmpeg tool's command for the same job
    case $1 in
    1) echo "${ff[*]} -i $mp4 -c:v mpeg4 -vtag DX50 -b:v 528k -s 320x240 -r 25 -aspect 4:3 -c:a libmp3lame -b:a 128k -ar 44100 -ac 2 $work/f/f1.avi" ;;
    126) echo "${ff[*]} -i $mp4 -c:v libx264 -vpre default -x264-params open-gop=1 -b:v 816k -s 320x240 -r 30000/1001 -aspect 4:3 -c:a aac -b:a 128k -ar 44100 -ac 2 $work/f/f126.mp4" ;;
    esac
}

rows=()
verdicts=()
for format in 1 126; do
    read -r -a theirs <<< "$(tool "$format")"
    for set in "${core_sets[@]}"; do
        n=$(count "$set")
        key=f$format.$n
        echo "bench: ${labels[$format]} on $n core(s) ($runs runs per side)" >&2
        for ((r = 0; r < runs; r++)); do
            measure "$key.r" taskset -c "$set" "$cli" convert -f "$format" --overwrite -o "$work/r" "$mp4"
            measure "$key.p" taskset -c "$set" "$cli" convert -f "$format" --overwrite --no-resume -o "$work/p" "$mp4"
            measure "$key.f" taskset -c "$set" "${theirs[@]}"
        done
        rw=$(median "$key.r" 1); pw=$(median "$key.p" 1); fw=$(median "$key.f" 1)
        rc=$(median "$key.r" 2); pc=$(median "$key.p" 2)
        cost=$(awk -v a="$rw" -v b="$pw" 'BEGIN{printf "%+.1f", (b > 0 ? (a / b - 1) * 100 : 0)}')
        cpu_cost=$(awk -v a="$rc" -v b="$pc" 'BEGIN{printf "%+.1f", (b > 0 ? (a / b - 1) * 100 : 0)}')
        rows+=("| ${labels[$format]} | $n | $rw | $pw | $fw | $(ratio "$rw" "$fw") | $(ratio "$pw" "$fw") | $cost % | $rc | $pc | $cpu_cost % |")
        met=$(awk -v a="$rw" -v b="$pw" 'BEGIN{print (a <= b * 1.03) ? "yes" : "no"}')
        verdicts+=("$met")
    done
done

# A conversion killed (SIGKILL) at its first progress line past 55 %, then the
# same command again: the resumed run's log tells what copying the kept part cost.
resumed_rows=()
set=${core_sets[0]}
for format in 1 126; do
    echo "bench: ${labels[$format]}: killed past 55 % and resumed" >&2
    rm -rf "$work/k" && mkdir -p "$work/k"
    mkfifo "$work/progress"
    taskset -c "$set" "$cli" convert -f "$format" -o "$work/k" "$mp4" >"$work/progress" 2>&1 &
    pid=$!
    while read -r line; do
        if [[ $line =~ ([0-9]+)% ]] && ((BASH_REMATCH[1] >= 55)); then
            kill -KILL "$pid"
            break
        fi
    done <"$work/progress"
    wait "$pid" 2>/dev/null || true
    rm -f "$work/progress"
    measure "resumed.$format" taskset -c "$set" "$cli" -v convert -f "$format" -o "$work/k" "$mp4"
    copied=$(sed -n 's/.*the kept part (\([0-9]*\) segments, \([0-9]*\) packets) copied into the output in \([0-9.]*\) s, \([0-9.]*\) s of CPU.*/\1 \2 \3 \4/p' "$work/last.err" | tail -1)
    [ -n "$copied" ] || { echo "bench: the resumed run of format $format copied no kept part" >&2; cat "$work/last.err" >&2; exit 1; }
    read -r segs packets copy_wall copy_cpu <<< "$copied"
    at=$(sed -n 's/.*resuming at \([0-9:]*\).*/\1/p' "$work/last.out" | head -1)
    wall=$(median "resumed.$format" 1); cpu=$(median "resumed.$format" 2)
    uw=$(median "f$format.$(count "$set").r" 1)
    resumed_rows+=("| ${labels[$format]} | $(count "$set") | $at | $segs | $packets | $wall | $uw | $copy_wall | $(awk -v a="$copy_wall" -v b="$wall" 'BEGIN{printf "%.1f", (b > 0 ? a * 100 / b : 0)}') % | $copy_cpu | $cpu |")
done

instr_rows=()
if [ "${CALLGRIND:-0}" = 1 ] && command -v valgrind >/dev/null; then
    ffmpeg -nostdin -v error -y -i "$mp4" -t 12 -c copy "$work/in/cut.mp4"
    instructions() {
        valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" >/dev/null 2>"$work/last.err" ||
            { echo "bench: callgrind run failed: $*" >&2; cat "$work/last.err" >&2; exit 1; }
        awk '$1 == "totals:" || $1 == "summary:" {print $2; exit}' "$work/callgrind.out"
    }
    for format in 1 126; do
        echo "bench: ${labels[$format]}: instruction counts of a 12 s cut" >&2
        ri=$(instructions "$cli" convert -f "$format" --overwrite -o "$work/r" "$work/in/cut.mp4")
        pi=$(instructions "$cli" convert -f "$format" --overwrite --no-resume -o "$work/p" "$work/in/cut.mp4")
        instr_rows+=("| ${labels[$format]} | $((ri / 1000000)) | $((pi / 1000000)) | $(awk -v a="$ri" -v b="$pi" 'BEGIN{printf "%+.2f", (a / b - 1) * 100}') % |")
    done
fi

all_met=yes
for v in "${verdicts[@]}"; do [ "$v" = yes ] || all_met=no; done
elapsed=$(( $(date +%s) - bench_start ))
section=$work/section.md
{
    echo "## Resumable output"
    echo
    echo "bench/resume.sh, $(date -u '+%Y-%m-%d %H:%M UTC'); the script took ${elapsed} s. Load average at the start:" \
        "$load_start; at the end: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores). Input: $clip s 1280x720 25 fps"
    echo "H.264/AAC. \"resumable\" is the default road (the output written while its packets also go into ten-second"
    echo "segments beside it), \"direct\" is \`convert --no-resume\`; both against the ffmpeg tool doing the same job in"
    echo "the same run, sides alternating, $runs runs per side, medians; wall and CPU (user+sys) in seconds."
    echo
    echo "| job | cores | resumable wall | direct wall | ffmpeg wall | resumable / ffmpeg | direct / ffmpeg | resumable over direct, wall | resumable CPU | direct CPU | resumable over direct, CPU |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo "Goal: an uninterrupted run with resumable output costs ≤ 3 % more wall time than the direct road. Met: $all_met."
    echo
    echo "A run killed at its first progress line past 55 % and the same command again, on $(count "$set") core(s): the"
    echo "resumed run copies the kept segments into its output before it encodes the rest (there is no join at the end)."
    echo
    echo "| job | cores | resumed at | kept segments | kept packets | resumed run wall | uninterrupted wall | kept part copied, wall | share of the resumed run | copy CPU | resumed run CPU |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${resumed_rows[@]}"
    if [ ${#instr_rows[@]} -gt 0 ]; then
        echo
        echo "Instructions (callgrind, all threads) of a 12 s cut, one boundary between two segments:"
        echo
        echo "| job | resumable Minstr | direct Minstr | resumable over direct |"
        echo "|---|---|---|---|"
        printf '%s\n' "${instr_rows[@]}"
    fi
} >"$section"
cat "$section"

replace_section "$results" "## Resumable output" "$section"
echo "bench: wrote the resumable output section of $results" >&2
