#!/usr/bin/env bash
# Measures quorvex-cli against the ffmpeg tool doing the identical job, in one
# run, and writes the medians and ratios to bench/results.md.
#
#   bench/run.sh [BUILD_DIR]      (default: build; RUNS=5 by default)
#
# Inputs are generated here with the ffmpeg tool. Every job is run RUNS times
# per side, alternating sides; wall time, CPU time (user+sys) and peak memory
# come from /usr/bin/time. Both sides use one thread per codec (-threads 1).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build}
cli=$build/bin/quorvex-cli
runs=${RUNS:-5}
clip=${CLIP_SECONDS:-30}  # shorter clips only for trying the script out
results=${RESULTS:-$here/results.md}
[ -x "$cli" ] || { echo "bench: $cli not built (cmake --build $build --target quorvex-cli)" >&2; exit 2; }
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || { echo "bench: ffmpeg and ffprobe needed" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time needed (Debian package time)" >&2; exit 2; }

work=$(mktemp -d /tmp/quorvex-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/q" "$work/f" "$work/preset"

echo "bench: generating inputs in $work/in" >&2
mp4=$work/in/hd720.mp4
avi=$work/in/vga.avi
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=$clip" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$clip" -ac 2 \
    -c:v libx264 -preset medium -b:v 2500k -pix_fmt yuv420p -c:a aac -b:a 128k "$mp4"
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x480:rate=30000/1001:duration=$clip" \
    -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=$clip" -ac 2 \
    -c:v mpeg4 -b:v 1500k -c:a libmp3lame -b:a 128k "$avi"
callgrind=${CALLGRIND:-1}
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

# The converter's libx264-default preset, as a preset file the ffmpeg tool reads.
sed -n '/{"libx264-default",/,/},/p' "$source_dir/engine/BuiltinX264Presets.cpp" |
    grep -o '"[^"]*\\n"' | sed 's/^"//; s/\\n"$//' > "$work/preset/libx264-default.ffpreset"
export FFMPEG_DATADIR=$work/preset

ff=(ffmpeg -nostdin -v error -y -threads 1)
ffout=(-threads 1 -filter_threads 1)

# measure NAME CMD...: one run; appends "wall cpu maxrss_kib" to $work/NAME.times
measure() {
    local name=$1; shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" >/dev/null 2>"$work/last.err" ||
        { echo "bench: $name failed: $*" >&2; cat "$work/last.err" >&2; exit 1; }
    awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$work/time.out" >> "$work/$name.times"
}

# median NAME COLUMN
median() {
    awk -v c="$2" '{print $c}' "$work/$1.times" | sort -g |
        awk '{v[NR]=$1} END {if (NR % 2) print v[(NR+1)/2]; else printf "%.3f\n", (v[NR/2]+v[NR/2+1])/2}'
}
peak() { awk '{print $3}' "$work/$1.times" | sort -g | tail -1; }

# streams FILE: the stream parameters both sides must agree on
streams() {
    ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,r_frame_rate,pix_fmt,sample_rate,channels \
        -of compact=nokey=1 "$1" | grep -v dvd_nav
}

rows=()
checks=()
# job NAME INPUT OUR_OUTPUT THEIR_OUTPUT -- OUR_CMD... -- THEIR_CMD...
job() {
    local name=$1 input=$2 ours_out=$3 theirs_out=$4; shift 5
    local ours=() theirs=()
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    echo "bench: $name ($runs runs per side)" >&2
    for ((r = 0; r < runs; r++)); do
        measure "$name.q" "${ours[@]}"
        measure "$name.f" "${theirs[@]}"
    done
    local instr="- | - | -"
    if [ "$callgrind" = 1 ]; then
        local short=$work/in/short720.mp4 qi fi
        [ "$input" = "$avi" ] && short=$work/in/shortvga.avi
        qi=$(instructions "${ours[@]/#$input/$short}")
        fi=$(instructions "${theirs[@]/#$input/$short}")
        instr="$((qi / 1000000)) | $((fi / 1000000)) | $(awk -v a="$qi" -v b="$fi" 'BEGIN{printf "%.3f", a/b}')"
    fi
    local same="yes"
    if [ "$(streams "$ours_out")" != "$(streams "$theirs_out")" ]; then
        same="no"
        checks+=("- $name: streams differ: ours \`$(streams "$ours_out" | tr '\n' ' ')\` ffmpeg \`$(streams "$theirs_out" | tr '\n' ' ')\`")
    fi
    row "$name" "$name.q" "$name.f" "$same" "$instr"
}

# instructions CMD...: instructions executed by CMD (all its threads) under callgrind
instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" >/dev/null 2>"$work/last.err" ||
        { echo "bench: callgrind run failed: $*" >&2; cat "$work/last.err" >&2; exit 1; }
    awk '$1 == "totals:" || $1 == "summary:" {print $2; exit}' "$work/callgrind.out"
}

# row LABEL OURS THEIRS SAME [INSTRUCTIONS]
row() {
    local qw qc fw fc
    qw=$(median "$2" 1); qc=$(median "$2" 2); fw=$(median "$3" 1); fc=$(median "$3" 2)
    rows+=("| $1 | $qw | $fw | $(awk -v a="$qw" -v b="$fw" 'BEGIN{printf "%.3f", a/b}') | $qc | $fc | $(awk -v a="$qc" -v b="$fc" 'BEGIN{printf "%.3f", a/b}') | $(( $(peak "$2") / 1024 )) | $(( $(peak "$3") / 1024 )) | $4 | ${5:-- | - | -} |")
}

job "format 1 (AVI mpeg4 DX50, 720p H.264 in)" "$mp4" "$work/q/hd720.avi" "$work/f/f1.avi" -- \
    "$cli" convert -f 1 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" "${ffout[@]}" -c:v mpeg4 -vtag DX50 -b:v 528k -s 320x240 -r 25 -aspect 4:3 \
    -c:a libmp3lame -b:a 128k -ar 44100 -ac 2 "$work/f/f1.avi"

job "format 126 (MP4 libx264, 720p H.264 in)" "$mp4" "$work/q/hd720.mp4" "$work/f/f126.mp4" -- \
    "$cli" convert -f 126 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" "${ffout[@]}" -c:v libx264 -vpre default -x264-params open-gop=1 -b:v 816k -s 320x240 \
    -r 29.97 -aspect 4:3 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/f/f126.mp4"

job "format 19 (PAL DVD, VGA MPEG-4 in)" "$avi" "$work/q/vga_PAL.mpg" "$work/f/f19.mpg" -- \
    "$cli" convert -f 19 --overwrite -o "$work/q" "$avi" -- \
    "${ff[@]}" -i "$avi" "${ffout[@]}" -target pal-dvd -aspect 4:3 -c:a libmp3lame -b:a 320k -ar 48000 -ac 2 \
    "$work/f/f19.mpg"

job "format 100 (3GP, VGA MPEG-4 in)" "$avi" "$work/q/vga.3gp" "$work/f/f100.3gp" -- \
    "$cli" convert -f 100 --overwrite -o "$work/q" "$avi" -- \
    "${ff[@]}" -i "$avi" "${ffout[@]}" -c:v mpeg4 -b:v 128k -s 176x144 -r 12 -aspect 4:3 \
    -c:a aac -b:a 12k -ar 8000 -ac 1 "$work/f/f100.3gp"

job "format 200 (MP3 audio only, 720p in)" "$mp4" "$work/q/hd720.mp3" "$work/f/f200.mp3" -- \
    "$cli" convert -f 200 --overwrite -o "$work/q" "$mp4" -- \
    "${ff[@]}" -i "$mp4" "${ffout[@]}" -vn -c:a libmp3lame -b:a 128k -ar 48000 -ac 2 "$work/f/f200.mp3"

# batch: four files of format 126, two at a time and one after another
ffbatch() {  # THREADS...: the ffmpeg tool on the four files one after another
    local i=0
    for f in "${batch[@]}"; do
        i=$((i + 1))
        ffmpeg -nostdin -v error -y "$@" -i "$f" "$@" -c:v libx264 -vpre default -x264-params open-gop=1 -b:v 816k \
            -s 320x240 -r 29.97 -aspect 4:3 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/f/batch$i.mp4"
    done
}
export -f ffbatch
export work
batch_runs=${BATCH_RUNS:-$(( runs < 3 ? runs : 3 ))}
echo "bench: batch of 4 ($batch_runs runs per variant)" >&2
for ((r = 0; r < batch_runs; r++)); do
    measure batch.j2 "$cli" convert -f 126 -j 2 --overwrite -o "$work/q" "${batch[@]}"
    measure batch.j1 "$cli" convert -f 126 -j 1 --overwrite -o "$work/q" "${batch[@]}"
    measure batch.f1 bash -c 'batch=("$@"); ffbatch -threads 1 -filter_threads 1' _ "${batch[@]}"
    measure batch.fd bash -c 'batch=("$@"); ffbatch' _ "${batch[@]}"
done
row "batch of 4, format 126: -j 2 vs ffmpeg -threads 1 one after another" batch.j2 batch.f1 "-"
row "batch of 4, format 126: -j 2 vs ffmpeg default threads one after another" batch.j2 batch.fd "-"
row "batch of 4, format 126: -j 1 vs ffmpeg -threads 1 one after another" batch.j1 batch.f1 "-"

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
row "probe, one process (quorvex-cli info vs ffprobe)" probe.q probe.f "-"

j1=$(median batch.j1 1); j2=$(median batch.j2 1); fd=$(median batch.fd 1)
speedup=$(awk -v a="$j1" -v b="$j2" 'BEGIN{printf "%.2f", a/b}')
peak2=$(( $(peak batch.j2) / 1024 ))
{
    echo "# Benchmarks: quorvex-cli against the ffmpeg tool"
    echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)," \
        "$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(ffmpeg -version | head -1 | cut -d' ' -f1-3)."
    echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'). Runs per side: $runs (batch: $batch_runs)," \
        "sides alternating. Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo
    echo "Inputs: $clip s 1280x720 25 fps H.264/AAC MP4; $clip s 640x480 29.97 fps MPEG-4/MP3 AVI (made by the ffmpeg tool)."
    echo "Both sides: one thread per codec (\`-threads 1\`, \`-filter_threads 1\` for the tool), same encoders and settings;"
    echo "the tool reads the converter's libx264-default preset as a preset file. Times in seconds, memory in MiB (peak RSS)."
    echo
    echo "The instruction columns (millions, callgrind, 3 s cut of the input) count every thread of each process."
    echo
    echo "| job | ours wall | ffmpeg wall | wall ratio | ours CPU | ffmpeg CPU | CPU ratio | ours MiB | ffmpeg MiB | same streams | ours Minstr | ffmpeg Minstr | instr ratio |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo "- batch of 4 (format 126): -j 2 throughput is ${speedup} x that of -j 1 (goal >= 1.85);" \
        "-j 2 takes ${j2} s against ${fd} s for the tool with default threads one file after another."
    echo "- two conversions of format 126 at once: peak ${peak2} MiB (goal <= 200)."
    echo "- in-process probing of the 720p clip: median ${probe_ms} ms per file over 20 probes (goal < 20)."
    [ ${#checks[@]} -eq 0 ] || { echo; echo "Stream parameters that differ:"; printf '%s\n' "${checks[@]}"; }
} > "$results"
echo "bench: wrote $results" >&2
cat "$results"
