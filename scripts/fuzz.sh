#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitizer-build.sh asan), makes their
# seed corpora and runs each target for a bounded time. Crashes, leaks, timeouts and sanitizer reports are kept
# in <build>/findings/ and make the script fail.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
#
# Build folder: $QUORVEX_FUZZ_DIR (build-fuzz); the sanitizer suite passes its
# own tree, which has the targets built already. The corpora grow across runs
# in <build>/corpus/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${QUORVEX_FUZZ_DIR:-$root/build-fuzz}
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then  # every fuzz/fuzz_*.cpp is a target
    for source in "$root"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

start=$SECONDS
bash "$root/scripts/sanitizer-build.sh" asan "$build" "${targets[@]}"
echo "== fuzz build: $((SECONDS - start)) s"

bash "$root/fuzz/make-seeds.sh" "$build/seeds" >/dev/null
mkdir -p "$build/findings"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# fuzz TARGET: one target's run; its log and any finding go to findings/
fuzz() {
    local target=$1 corpus=$build/corpus/$1
    mkdir -p "$corpus"
    # -timeout: one input taking longer than this counts as a hang
    "$build/fuzz/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$corpus" "$build/seeds/$target" >"$build/findings/$target.log" 2>&1
}

# Each target runs on one core, so as many run at once as there are cores.
parallel=${QUORVEX_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}
declare -A running=()  # pid -> target
failed=()
reap() {  # waits for one target to end and reports it
    local pid status=0
    wait -n -p pid "${!running[@]}" || status=$?
    local target=${running[$pid]}
    unset "running[$pid]"
    echo "== $target: exit $status"
    if [[ $status -ne 0 ]]; then
        failed+=("$target")
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$build/findings/$target.log" | head -5 || true
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$build/findings/$target.log" | tail -1 || true
}
for target in "${targets[@]}"; do
    [[ ${#running[@]} -lt $parallel ]] || reap
    echo "== $target: $seconds s"
    fuzz "$target" &
    running[$!]=$target
done
while [[ ${#running[@]} -gt 0 ]]; do reap; done
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "findings in: ${failed[*]} (logs and inputs in $build/findings)"
    exit 1
fi
echo "no findings"
