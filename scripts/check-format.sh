#!/usr/bin/env bash
# Fails when a C or C++ file git tracks differs from what clang-format makes
# of it with the tree's .clang-format; lists the places. Run
# `clang-format -i FILE` to format one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! command -v clang-format >/dev/null; then
    echo "check-format: clang-format is not installed (bash scripts/install-deps.sh)" >&2
    exit 2
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: the files above are not formatted (clang-format -i FILE)" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
