#!/usr/bin/env bash
# Builds Quorvex with AddressSanitizer + UndefinedBehaviorSanitizer and runs the
# headless test suite, then builds with ThreadSanitizer and runs the tests that
# exercise our worker threads (converter, logger, player). Any sanitizer report
# fails the run. Each stage prints its wall time.
#
#   scripts/test-sanitizers.sh [asan|tsan|all]      (default: all)
#
# Build folders: $QUORVEX_ASAN_DIR (build-asan), $QUORVEX_TSAN_DIR (build-tsan).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
asan_dir=${QUORVEX_ASAN_DIR:-$root/build-asan}
tsan_dir=${QUORVEX_TSAN_DIR:-$root/build-tsan}
jobs=${QUORVEX_JOBS:-$(nproc 2>/dev/null || echo 2)}
supp=$root/scripts/sanitizer-suppressions

# Tests that run our own threads; ThreadSanitizer is run on these only.
tsan_tests=${QUORVEX_TSAN_TESTS:-'^(media_LoggerTest|player_.*|engine_Converter.*|robustness_Converter.*)$'}

stage() {  # stage <title> <command...>: runs a command and prints its wall time
    local title=$1; shift
    local start=$SECONDS status=0
    echo "== $title"
    "$@" || status=$?
    echo "== $title: $((SECONDS - start)) s (exit $status)"
    return $status
}

# Warnings are checked by the ordinary build; GCC's sanitizer builds add false
# "may be used uninitialized" warnings inside the standard library.
configure() {  # configure <dir> <sanitizers>
    cmake -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=OFF \
        -DQUORVEX_BUILD_TESTS=ON -DQUORVEX_SANITIZE="$2" >/dev/null
}

# A report stops the process with a non-zero exit, so ctest counts it as a failure.
# Leak checking runs in every test; third-party leaks are listed in lsan.supp.
asan_env=(
    "ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:exitcode=23:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:suppressions=$supp/asan.supp"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=24:suppressions=$supp/ubsan.supp"
    "LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0"
)
tsan_env=(
    "TSAN_OPTIONS=halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
)

run_asan() {
    local total=$SECONDS
    stage "ASan+UBSan configure" configure "$asan_dir" address,undefined
    stage "ASan+UBSan build" cmake --build "$asan_dir" -j "$jobs"
    # Each test keeps its own time limit (quorvex_add_test), sanitized or not.
    stage "ASan+UBSan tests" env "${asan_env[@]}" \
        ctest --test-dir "$asan_dir" --output-on-failure -j "$jobs" -LE xvfb
    echo "== ASan+UBSan total: $((SECONDS - total)) s"
}

run_tsan() {
    local total=$SECONDS
    stage "TSan configure" configure "$tsan_dir" thread
    # Only the libraries and programs of the threaded tests are needed.
    local targets
    targets=$(cd "$tsan_dir" && ctest -N -LE xvfb -R "$tsan_tests" 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p')
    [[ -n $targets ]] || { echo "no tests match $tsan_tests"; return 1; }
    # shellcheck disable=SC2086
    stage "TSan build" cmake --build "$tsan_dir" -j "$jobs" --target $targets
    stage "TSan tests" env "${tsan_env[@]}" \
        ctest --test-dir "$tsan_dir" --output-on-failure -j "$jobs" -LE xvfb -R "$tsan_tests"
    echo "== TSan total: $((SECONDS - total)) s"
}

case $which in
    asan) run_asan ;;
    tsan) run_tsan ;;
    all) run_asan; run_tsan ;;
    *) echo "usage: $0 [asan|tsan|all]" >&2; exit 2 ;;
esac
