# What the bench scripts share. Sourced by them after `work` (the run's
# scratch folder) is set; nothing here runs on its own.

# bench_require_timing: /usr/bin/time and taskset, or exit 2 naming the package
bench_require_timing() {
    [ -x /usr/bin/time ] || { echo "bench: /usr/bin/time needed (Debian package time)" >&2; exit 2; }
    command -v taskset >/dev/null || { echo "bench: taskset needed (Debian package util-linux)" >&2; exit 2; }
}

# bench_tool_preset BUILD_DIR: the converter's libx264-default preset, as a
# preset file the ffmpeg tool reads (FFMPEG_DATADIR points at it)
bench_tool_preset() {
    mkdir -p "$work/preset"
    "$1/bin/quorvex-preset" libx264-default > "$work/preset/libx264-default.ffpreset" ||
        { echo "bench: $1/bin/quorvex-preset not built (cmake --build $1 --target quorvex-preset)" >&2; exit 2; }
    export FFMPEG_DATADIR=$work/preset
}

# measure NAME CMD...: one run; appends "wall cpu maxrss_kib" to $work/NAME.times
# (cpu is user + sys); the command's output is in $work/last.out and last.err
measure() {
    local name=$1; shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" >"$work/last.out" 2>"$work/last.err" ||
        { echo "bench: $name failed: $*" >&2; cat "$work/last.err" >&2; exit 1; }
    awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$work/time.out" >> "$work/$name.times"
}

# median NAME COLUMN (1 wall, 2 CPU, 3 peak memory)
median() {
    awk -v c="$2" '{print $c}' "$work/$1.times" | sort -g |
        awk '{v[NR]=$1} END {if (NR % 2) print v[(NR+1)/2]; else printf "%.3f\n", (v[NR/2]+v[NR/2+1])/2}'
}

# ratio A B: A / B to three places (0 when B is 0)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", (b > 0 ? a / b : 0)}'; }

# count LIST: the number of comma-separated items (CPUs of a taskset list)
count() { local IFS=,; set -- $1; echo $#; }

# replace_section RESULTS HEADING SECTION_FILE: the section (from HEADING to
# the next "## " heading) replaces its earlier self at the end of RESULTS;
# the rest of the file is left as it is
replace_section() {
    local results=$1 heading=$2 section=$3
    if [ -f "$results" ]; then
        awk -v heading="$heading" '
            $0 == heading { skip = 1; next }
            skip && /^## / { skip = 0 }
            !skip' "$results" >"$results.new"
        # no blank lines left dangling at the end before the section
        sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' "$results.new" >"$results.trim"
        { cat "$results.trim"; echo; cat "$section"; } >"$results.new"
        rm -f "$results.trim"
        mv "$results.new" "$results"
    else
        cp "$section" "$results"
    fi
}
