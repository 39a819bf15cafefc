#!/usr/bin/env bash
# Configures and builds a sanitizer tree of Quorvex; the sanitizer suite and
# the fuzz script share it, so one build serves both.
#
#   scripts/sanitizer-build.sh asan|tsan <build dir> [target...]
#
# asan: clang with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
#       coverage instrumentation; builds the tests and the fuzz targets.
# tsan: GCC with ThreadSanitizer.
# Both use -O1 with line tables only: reports keep file and line, and the tree
# builds in about half the time of a full debug-info build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: sanitizer-build.sh asan|tsan <build dir> [target...]}
build=${2:?usage: sanitizer-build.sh asan|tsan <build dir> [target...]}
shift 2
jobs=${QUORVEX_JOBS:-$(nproc 2>/dev/null || echo 2)}

common=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_TESTS=ON
    # Warnings are checked by the ordinary build; sanitizer builds add false
    # "may be used uninitialized" warnings inside the standard library.
    -DQUORVEX_WERROR=OFF)
case $kind in
    asan) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG"
              "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG"
              -DQUORVEX_SANITIZE=address,undefined,fuzzer-no-link -DQUORVEX_FUZZ=ON) ;;
    tsan) args=("-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
              "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
              -DQUORVEX_SANITIZE=thread) ;;
    *) echo "usage: sanitizer-build.sh asan|tsan <build dir> [target...]" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" "${common[@]}" "${args[@]}" >/dev/null
if [[ $# -gt 0 ]]; then
    cmake --build "$build" -j "$jobs" --target "$@"
else
    cmake --build "$build" -j "$jobs"
fi
