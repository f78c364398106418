#!/usr/bin/env bash
# The format check and clang-tidy over src/, as CI runs them.
#   scripts/lint.sh [BUILD_DIR]    (needs compile_commands.json; default build-asan)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$top/build-asan}
cd "$top"

start=$(date +%s)
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "lint: format check took $(($(date +%s) - start)) s"

start=$(date +%s)
mapfile -t sources < <(git ls-files 'src/*.cpp')
run-clang-tidy -quiet -p "$build_dir" -j "$(nproc)" "${sources[@]}" > "$build_dir/clang-tidy.log" 2>&1 || {
    grep -E 'error:|warning:' "$build_dir/clang-tidy.log" | sort -u
    echo "lint: clang-tidy found the faults above" >&2
    exit 1
}
echo "lint: clang-tidy took $(($(date +%s) - start)) s"
