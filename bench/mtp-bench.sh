#!/usr/bin/env bash
# MTP benchmark: the libmtp backend beside libmtp's own mtp-getfile, on the
# same files of QEMU's emulated MTP device, in the same guest (see
# tests/mtpvm/run-in-vm.sh). Prints throughput and time per file per group:
#   small/   many 4 KiB files: per-file overhead
#   medium/  5 MiB files
#   big/     one 200 MiB file: throughput
#
#   bench/mtp-bench.sh [BUILD_DIR]     (default: build)
# MTP_BENCH_HUGE=1 adds a 4.5 GiB file (above 4 GiB; needs about 5 GB of disk
# and several minutes).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
bench=$build/bench/bench_mtp_stream
harness=${MTPVM_HARNESS:-$top/tests/mtpvm/run-in-vm.sh}
[ -x "$bench" ] || { echo "build bench_mtp_stream first: cmake --build $build --target bench_mtp_stream" >&2; exit 2; }

T=$(mktemp -d /tmp/tessaril-mtpbench.XXXXXX)
trap 'rm -rf "$T"' EXIT
D=$T/device
mkdir -p "$D/small" "$D/medium" "$D/big"
for i in $(seq -w 1 100); do head -c 4096 /dev/urandom > "$D/small/f$i.bin"; done
for i in $(seq 1 20); do head -c $((5 << 20)) /dev/urandom > "$D/medium/m$i.bin"; done
head -c $((200 << 20)) /dev/urandom > "$D/big/big.bin"
mem=1024
if [ "${MTP_BENCH_HUGE:-0}" = 1 ]; then
  mkdir -p "$D/huge"
  # Sparse on the host; the device reads it like any other file.
  truncate -s $(((4 << 30) + (512 << 20))) "$D/huge/huge.bin"
  mem=2048
fi
# The guest's /tmp is a tmpfs; each file is deleted once it was read.
"$harness" --timeout 3000 --mem "$mem" "$D" -- "$bench" bench /tmp | grep -v -e '^DIR' -e '^DEV' -e '^STO'
