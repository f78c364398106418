#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a few seconds from its
# seed corpus (a copy, so the run adds nothing to the repository).
#   fuzz/smoke.sh BUILD_DIR [SECONDS]
# Exit status 77 (a skip for ctest) when clang or libFuzzer is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build folder}
seconds=${2:-5}
cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "fuzz smoke run skipped: clang++ is not installed" >&2
  exit 77
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' |
  "$cxx" -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "fuzz smoke run skipped: clang has no libFuzzer (libclang-rt-14-dev)" >&2
  exit 77
fi
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
CXX="$cxx" cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 >/dev/null

export LC_ALL=C.UTF-8 TZ=Europe/Berlin
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in ini text_filter wildcard size_date; do
  corpus=$(mktemp -d)
  cp "$here/corpus/$target"/* "$corpus/"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -artifact_prefix="$build/crash-$target-" "$corpus" >"$build/$target.log" 2>&1; then
    echo "fuzz_$target failed; its log ($build/$target.log) ends with:" >&2
    tail -n 30 "$build/$target.log" >&2
    status=1
  else
    echo "fuzz_$target: $(grep -Eo 'Done [0-9]+ runs' "$build/$target.log" | tail -n 1)"
  fi
  rm -rf "$corpus"
done
exit $status
