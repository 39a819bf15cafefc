#!/usr/bin/env bash
# Measures quorvex-cli against the ffmpeg tool doing the identical job, in one
# run, pinned with taskset to 1 core and to 2 cores, and writes the medians
# and ratios to bench/results.md.
#
#   bench/run.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (runs per side and job, default 3), BATCH_RUNS (default 2),
# CORE_SETS (taskset CPU lists, default "0 0,1"), CLIP_SECONDS (default 30,
# shorter only for trying the script out), CALLGRIND=1 (instruction counts of
# a 3 s cut, slow), RESULTS (output file).
#
# Inputs are generated here with the ffmpeg tool. Every job is run RUNS times
# per side, alternating sides; wall time, CPU time (user+sys) and peak memory
# come from /usr/bin/time. Both sides run with their default threads: the
# tool's own choice, and the converter's share of the cores it may run on.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build}
cli=$build/bin/quorvex-cli
runs=${RUNS:-3}
batch_runs=${BATCH_RUNS:-2}
clip=${CLIP_SECONDS:-30}
results=${RESULTS:-$here/results.md}
read -r -a core_sets <<< "${CORE_SETS:-0 0,1}"
[ -x "$cli" ] || { echo "bench: $cli not built (cmake --build $build --target quorvex-cli)" >&2; exit 2; }
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || { echo "bench: ffmpeg and ffprobe needed" >&2; exit 2; }
source "$here/lib.sh"
bench_require_timing
for set in "${core_sets[@]}"; do
    taskset -c "$set" true 2>/dev/null || { echo "bench: cannot pin to CPUs $set" >&2; exit 2; }
done
bench_start=$(date +%s)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

work=$(mktemp -d /tmp/quorvex-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/q" "$work/f" "$work/keep"

echo "bench: generating inputs in $work/in" >&2
mp4=$work/in/hd720.mp4
avi=$work/in/vga.avi
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=$clip" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$clip" -ac 2 \
    -c:v libx264 -preset medium -b:v 2500k -pix_fmt yuv420p -c:a aac -b:a 128k "$mp4"
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x480:rate=30000/1001:duration=$clip" \
    -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=$clip" -ac 2 \
    -c:v mpeg4 -b:v 1500k -c:a libmp3lame -b:a 128k "$avi"
callgrind=${CALLGRIND:-0}
command -v valgrind >/dev/null || callgrind=0
if [ "$callgrind" = 1 ]; then
    # the first 3 s of each input, for the instruction counts
    ffmpeg -nostdin -v error -y -i "$mp4" -t 3 -c copy "$work/in/short720.mp4"
    ffmpeg -nostdin -v error -y -i "$avi" -t 3 -c copy "$work/in/shortvga.avi"
fi
batch=()
for i in 1 2 3 4; do
    cp "$mp4" "$work/in/batch$i.mp4"
    batch+=("$work/in/batch$i.mp4")
done

bench_tool_preset "$build"

ff=(ffmpeg -nostdin -v error -y)

peak() { awk '{print $3}' "$work/$1.times" | sort -g | tail -1; }
# cores NAME: median CPU time over median wall time
cores_used() { awk -v c="$(median "$1" 2)" -v w="$(median "$1" 1)" 'BEGIN{printf "%.2f", (w > 0 ? c / w : 0)}'; }

# streams FILE: the stream parameters both sides must agree on
streams() {
    ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,r_frame_rate,pix_fmt,sample_rate,channels \
        -of compact=nokey=1 "$1" | grep -v dvd_nav
}

# instructions CMD...: instructions executed by CMD (all its threads) under callgrind
instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" >/dev/null 2>"$work/last.err" ||
        { echo "bench: callgrind run failed: $*" >&2; cat "$work/last.err" >&2; exit 1; }
    awk '$1 == "totals:" || $1 == "summary:" {print $2; exit}' "$work/callgrind.out"
}

rows=()
checks=()
# row LABEL CORES OURS THEIRS SAME [INSTRUCTIONS]
row() {
    local qw fw
    qw=$(median "$3" 1); fw=$(median "$4" 1)
    rows+=("| $1 | $2 | $qw | $fw | $(ratio "$qw" "$fw") | $(cores_used "$3") | $(cores_used "$4") | $(( $(peak "$3") / 1024 )) | $(( $(peak "$4") / 1024 )) | $5 | ${6:-- | - | -} |")
}

# job KEY NAME INPUT OUR_OUTPUT THEIR_OUTPUT -- OUR_CMD... -- THEIR_CMD...
# Runs both sides pinned to each CPU set; keeps each side's last output per set.
job() {
    local key=$1 name=$2 input=$3 ours_out=$4 theirs_out=$5; shift 6
    local ours=() theirs=()
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    for set in "${core_sets[@]}"; do
        local n; n=$(count "$set")
        echo "bench: $name on $n core(s) ($runs runs per side)" >&2
        for ((r = 0; r < runs; r++)); do
            measure "$key.$n.q" taskset -c "$set" "${ours[@]}"
            measure "$key.$n.f" taskset -c "$set" "${theirs[@]}"
        done
        cp "$ours_out" "$work/keep/$key.$n.q.${ours_out##*.}"
        cp "$theirs_out" "$work/keep/$key.$n.f.${theirs_out##*.}"
        local same="yes"
        if [ "$(streams "$ours_out")" != "$(streams "$theirs_out")" ]; then
            same="no"
            checks+=("- $name: streams differ: ours \`$(streams "$ours_out" | tr '\n' ' ')\` ffmpeg \`$(streams "$theirs_out" | tr '\n' ' ')\`")
        fi
        local instr="- | - | -"
        if [ "$callgrind" = 1 ] && [ "$set" = "${core_sets[-1]}" ]; then
            local short=$work/in/short720.mp4 qi fi
            [ "$input" = "$avi" ] && short=$work/in/shortvga.avi
            qi=$(instructions "${ours[@]/#$input/$short}")
            fi=$(instructions "${theirs[@]/#$input/$short}")
            instr="$((qi / 1000000)) | $((fi / 1000000)) | $(ratio "$qi" "$fi")"
        fi
        row "$name" "$n" "$key.$n.q" "$key.$n.f" "$same" "$instr"
    done
}

job f1 "format 1 (AVI mpeg4 DX50, 720p H.264 in)" "$mp4" "$work/q/hd720.avi" "$work/f/f1.avi" -- \
    "$cli" convert -f 1 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" -c:v mpeg4 -vtag DX50 -b:v 528k -s 320x240 -r 25 -aspect 4:3 \
    -c:a libmp3lame -b:a 128k -ar 44100 -ac 2 "$work/f/f1.avi"

job f126 "format 126 (MP4 libx264, 720p H.264 in)" "$mp4" "$work/q/hd720.mp4" "$work/f/f126.mp4" -- \
    "$cli" convert -f 126 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" -c:v libx264 -vpre default -x264-params open-gop=1 -b:v 816k -s 320x240 \
    -r 30000/1001 -aspect 4:3 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/f/f126.mp4"

job f19 "format 19 (PAL DVD, VGA MPEG-4 in)" "$avi" "$work/q/vga_PAL.mpg" "$work/f/f19.mpg" -- \
    "$cli" convert -f 19 --overwrite -o "$work/q" "$avi" -- \
    "${ff[@]}" -i "$avi" -target pal-dvd -aspect 4:3 -c:a libmp3lame -b:a 320k -ar 48000 -ac 2 \
    "$work/f/f19.mpg"

job f100 "format 100 (3GP, VGA MPEG-4 in)" "$avi" "$work/q/vga.3gp" "$work/f/f100.3gp" -- \
    "$cli" convert -f 100 --overwrite -o "$work/q" "$avi" -- \
    "${ff[@]}" -i "$avi" -c:v mpeg4 -b:v 128k -s 176x144 -r 12 -aspect 4:3 \
    -c:a aac -b:a 12k -ar 8000 -ac 1 "$work/f/f100.3gp"

job f200 "format 200 (MP3 audio only, 720p in)" "$mp4" "$work/q/hd720.mp3" "$work/f/f200.mp3" -- \
    "$cli" convert -f 200 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" -vn -c:a libmp3lame -b:a 128k -ar 48000 -ac 2 "$work/f/f200.mp3"

# Quality with threads: PSNR of each side's format-126 and format-1 output against the
# source (brought to the output's size and rate the same way for all), on one core
# (one thread per codec) and on all cores of the last set.
psnr() {  # OUTPUT: average PSNR (dB) against the 720p source
    ffmpeg -nostdin -v info -i "$1" -i "$mp4" -lavfi \
        "[1:v]scale=320:240:flags=bicubic,fps=$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$1")[ref];[0:v][ref]psnr" \
        -f null - 2>&1 | sed -n 's/.*PSNR .* average:\([0-9.inf]*\).*/\1/p' | tail -1
}
quality=()
first_n=$(count "${core_sets[0]}")
last_n=$(count "${core_sets[-1]}")
for key in f126:mp4 f1:avi; do
    k=${key%%:*}; ext=${key##*:}
    q1=$(psnr "$work/keep/$k.$first_n.q.$ext"); qn=$(psnr "$work/keep/$k.$last_n.q.$ext")
    f1=$(psnr "$work/keep/$k.$first_n.f.$ext"); fn=$(psnr "$work/keep/$k.$last_n.f.$ext")
    quality+=("| format ${k#f} | $q1 | $qn | $(awk -v a="$qn" -v b="$q1" 'BEGIN{printf "%+.3f", a - b}') | $f1 | $fn |")
done

# Batch: four files of format 126. The converter at its automatic setting (no -j) and
# at fixed counts, against the ffmpeg tool with default threads, one file after another.
ffbatch() {
    local i=0
    for f in "${batch[@]}"; do
        i=$((i + 1))
        ffmpeg -nostdin -v error -y -i "$f" -c:v libx264 -vpre default -x264-params open-gop=1 -b:v 816k \
            -s 320x240 -r 30000/1001 -aspect 4:3 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/f/batch$i.mp4"
    done
}
export -f ffbatch
export work
batch_rows=()
auto_lines=()
for set in "${core_sets[@]}"; do
    n=$(count "$set")
    variants=(auto)
    [ "$set" = "${core_sets[-1]}" ] && variants+=(1 2 4)
    echo "bench: batch of 4 on $n core(s) ($batch_runs runs per variant: ${variants[*]} and the tool)" >&2
    for ((r = 0; r < batch_runs; r++)); do
        for v in "${variants[@]}"; do
            if [ "$v" = auto ]; then
                measure "batch.$n.auto" taskset -c "$set" "$cli" convert -f 126 --overwrite -o "$work/q" "${batch[@]}"
                auto=$(sed -n 's/^files at once: \([0-9]*\) (automatic)$/\1/p' "$work/last.out")
            else
                measure "batch.$n.j$v" taskset -c "$set" "$cli" convert -f 126 -j "$v" --overwrite -o "$work/q" "${batch[@]}"
            fi
        done
        measure "batch.$n.f" taskset -c "$set" bash -c 'batch=("$@"); ffbatch' _ "${batch[@]}"
    done
    fw=$(median "batch.$n.f" 1)
    for v in "${variants[@]}"; do
        label="automatic"
        [ "$v" = auto ] || label="-j $v"
        qw=$(median "batch.$n.$([ "$v" = auto ] && echo auto || echo "j$v")" 1)
        name="batch.$n.$([ "$v" = auto ] && echo auto || echo "j$v")"
        batch_rows+=("| $label | $n | $qw | $fw | $(ratio "$fw" "$qw") | $(cores_used "$name") | $(cores_used "batch.$n.f") | $(( $(peak "$name") / 1024 )) | $(( $(peak "batch.$n.f") / 1024 )) |")
    done
    auto_lines+=("- on $n core(s) the automatic setting ran ${auto:-?} file(s) at once")
done

# probing: in-process time per file, and one probe process against ffprobe
echo "bench: probe" >&2
probe_files=()
for ((i = 0; i < 21; i++)); do probe_files+=("$mp4"); done
"$cli" info --timing "${probe_files[@]}" 2>"$work/probe.err" >/dev/null
probe_ms=$(awk '$1 == "probe-ms" {print $3}' "$work/probe.err" | tail -n +2 | sort -g |
    awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')
for ((r = 0; r < runs; r++)); do
    measure probe.q "$cli" info "$mp4"
    measure probe.f ffprobe -v error -show_format -show_streams "$mp4"
done
probe_row="| probe, one process (quorvex-cli info vs ffprobe) | $(median probe.q 1) | $(median probe.f 1) | $(ratio "$(median probe.q 1)" "$(median probe.f 1)") |"

elapsed=$(( $(date +%s) - bench_start ))
{
    echo "# Benchmarks: quorvex-cli against the ffmpeg tool"
    echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)," \
        "$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(ffmpeg -version | head -1 | cut -d' ' -f1-3)."
    echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'). Runs per side: $runs (batch: $batch_runs), sides alternating;" \
        "the script took ${elapsed} s. Load average at the start: $load_start; at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo
    echo "Inputs: $clip s 1280x720 25 fps H.264/AAC MP4; $clip s 640x480 29.97 fps MPEG-4/MP3 AVI (made by the ffmpeg tool)."
    echo "Both sides run with their default threads (the tool's own choice; the converter's share of the cores it may"
    echo "run on), pinned with \`taskset\` to the cores in column \"cores\"; same encoders and settings; the tool reads"
    echo "the converter's libx264-default preset as a preset file. Times in seconds (medians), memory in MiB (peak RSS);"
    echo "\"cores used\" is CPU time (user+sys) over wall time."
    echo
    echo "## One file per job"
    echo
    echo "| job | cores | ours wall | ffmpeg wall | wall ratio | ours cores used | ffmpeg cores used | ours MiB | ffmpeg MiB | same streams | ours Minstr | ffmpeg Minstr | instr ratio |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo "## Batch of 4 files (format 126)"
    echo
    echo "The converter in one process against the tool run four times, one file after another. \"speed-up\" is the"
    echo "tool's wall time over ours."
    echo
    echo "| converter | cores | ours wall | ffmpeg wall | speed-up | ours cores used | ffmpeg cores used | ours MiB | ffmpeg MiB |"
    echo "|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${batch_rows[@]}"
    echo
    printf '%s\n' "${auto_lines[@]}"
    echo
    echo "## Quality with threads"
    echo
    echo "Average PSNR (dB) of the output against the source (scaled to 320x240 and brought to the output's rate),"
    echo "on ${first_n} core(s) (one thread per codec) and on ${last_n} cores."
    echo
    echo "| job | ours, $first_n core(s) | ours, $last_n cores | difference | ffmpeg, $first_n core(s) | ffmpeg, $last_n cores |"
    echo "|---|---|---|---|---|---|"
    printf '%s\n' "${quality[@]}"
    echo
    echo "## Probing"
    echo
    echo "| job | ours wall | ffprobe wall | ratio |"
    echo "|---|---|---|---|"
    echo "$probe_row"
    echo
    echo "In-process probing of the 720p clip: median ${probe_ms} ms per file over 20 probes."
    [ ${#checks[@]} -eq 0 ] || { echo; echo "Stream parameters that differ:"; printf '%s\n' "${checks[@]}"; }
} > "$results.new"
# the notes after the measured part (from "## Findings" on) are kept
if [ -f "$results" ] && grep -q '^## Findings' "$results"; then
    { echo; sed -n '/^## Findings/,$p' "$results"; } >> "$results.new"
fi
mv "$results.new" "$results"
echo "bench: wrote $results" >&2
cat "$results"
