#!/usr/bin/env bash
# Runs the test suite under the sanitizers. Any sanitizer report fails the run.
# Each stage prints its wall time.
#
#   scripts/test-sanitizers.sh [asan|fuzz|tsan|all]      (default: all)
#
# asan: builds the whole tree with AddressSanitizer + UndefinedBehaviorSanitizer
#       (LeakSanitizer included) and runs every test, the real-window ones
#       under xvfb-run.
# fuzz: runs each fuzz target on that same tree for $QUORVEX_FUZZ_SECONDS
#       (default 60) seconds.
# tsan: builds the tests that run our worker threads (converter, logger,
#       player) with ThreadSanitizer and runs them.
# all:  the three in that order.
#
# Build folders: $QUORVEX_ASAN_DIR (build-asan), $QUORVEX_TSAN_DIR (build-tsan).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
fuzz_seconds=${QUORVEX_FUZZ_SECONDS:-60}
asan_dir=${QUORVEX_ASAN_DIR:-$root/build-asan}
tsan_dir=${QUORVEX_TSAN_DIR:-$root/build-tsan}
jobs=${QUORVEX_JOBS:-$(nproc 2>/dev/null || echo 2)}
supp=$root/scripts/sanitizer-suppressions

# Tests that run our own threads; ThreadSanitizer is run on these only.
tsan_tests=${QUORVEX_TSAN_TESTS:-'^(media_LoggerTest|player_.*|engine_(Converter.*|EncodeWorkerTest)|robustness_(Converter|StopPhases|RunLoad|PlayerFault).*)$'}
# The A/V sync test measures playback timing, which ThreadSanitizer's slow-down
# distorts; its threads are the player's, which the other player tests run.
tsan_skip='^player_AvSyncTest$'

stage() {  # stage <title> <command...>: runs a command and prints its wall time
    local title=$1; shift
    local start=$SECONDS status=0
    echo "== $title"
    "$@" || status=$?
    echo "== $title: $((SECONDS - start)) s (exit $status)"
    return $status
}

# A report stops the process with a non-zero exit, so ctest counts it as a failure.
# Leak checking runs in every test; third-party leaks are listed in lsan.supp.
asan_env=(
    "ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:exitcode=23:detect_leaks=1:check_initialization_order=1:suppressions=$supp/asan.supp"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=24:suppressions=$supp/ubsan.supp"
    "LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0"
)
tsan_env=(
    "TSAN_OPTIONS=halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
)

run_asan() {
    local total=$SECONDS
    stage "ASan+UBSan build" bash "$root/scripts/sanitizer-build.sh" asan "$asan_dir"
    # Each test keeps its own time limit (quorvex_add_test), sanitized or not.
    stage "ASan+UBSan tests" env "${asan_env[@]}" \
        ctest --test-dir "$asan_dir" --output-on-failure -j "$jobs" -LE xvfb
    # Mesa's software GL driver is preloaded into the tests (not the X server)
    # so its leaks keep a name the suppressions can match (lsan.supp).
    local preload=()
    for driver in /usr/lib/*/dri/swrast_dri.so; do
        [[ -e $driver ]] && preload=("LD_PRELOAD=$driver") && break
    done
    stage "ASan+UBSan real-window tests" xvfb-run -a -s "-screen 0 1280x800x24" \
        env "${asan_env[@]}" "${preload[@]}" ctest --test-dir "$asan_dir" --output-on-failure -L xvfb
    echo "== ASan+UBSan total: $((SECONDS - total)) s"
}

run_fuzz() {
    [[ -x $asan_dir/fuzz/bin/fuzz_option_text ]] || run_asan
    stage "fuzz, $fuzz_seconds s per target" env QUORVEX_FUZZ_DIR="$asan_dir" \
        bash "$root/scripts/fuzz.sh" "$fuzz_seconds"
}

run_tsan() {
    local total=$SECONDS
    # Only the libraries and programs of the threaded tests are needed; the
    # first configure (a build of nothing) makes ctest list them.
    stage "TSan configure" bash "$root/scripts/sanitizer-build.sh" tsan "$tsan_dir" help >/dev/null
    local targets
    targets=$(cd "$tsan_dir" && ctest -N -LE xvfb -R "$tsan_tests" -E "$tsan_skip" 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p')
    [[ -n $targets ]] || { echo "no tests match $tsan_tests"; return 1; }
    # shellcheck disable=SC2086
    stage "TSan build" bash "$root/scripts/sanitizer-build.sh" tsan "$tsan_dir" $targets
    stage "TSan tests" env "${tsan_env[@]}" \
        ctest --test-dir "$tsan_dir" --output-on-failure -j "$jobs" -LE xvfb -R "$tsan_tests" -E "$tsan_skip"
    echo "== TSan total: $((SECONDS - total)) s"
}

case $which in
    asan) run_asan ;;
    tsan) run_tsan ;;
    fuzz) run_fuzz ;;
    all) run_asan; run_fuzz; run_tsan ;;
    *) echo "usage: $0 [asan|fuzz|tsan|all]" >&2; exit 2 ;;
esac
