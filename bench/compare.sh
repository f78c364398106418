#!/usr/bin/env bash
# Whole-process comparison of tessaril-cli with the peer a user would reach
# for, on generated simulated devices (TESSARIL_DEVICES). Each workload runs
# the program and its peers in turns; the table gives medians of wall time and
# peak memory (/usr/bin/time) and the ratio against the goal.
#
#   bench/compare.sh [--runs N] [--build DIR] [--work DIR] [--only NAME...]
#
#   --runs N   rounds per workload (default 5; 1 or 3 for a quick look)
#   --build    RelWithDebInfo build without sanitizers (default: build/, as
#              scripts/setup.sh makes it)
#   --work     where the devices and copies go (default /tmp/tessaril-compare;
#              about 3 GiB; kept between runs so that generation is paid once)
#   --only     small, big, tree, rerun, gzip, memory
#   --report   only print the table of the figures kept from the last run
#
# Peers and tools (Debian packages, not needed by the tests):
#   apt-get install rsync pigz time coreutils findutils gzip
# The machine should be otherwise quiet; the figures are for the page cache
# (every input is read once before the rounds).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
runs=5
build=$top/build
work=/tmp/tessaril-compare
only=()
report=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    --work) work=$2; shift ;;
    --report) report=1 ;;
    --only) shift; while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do only+=("$1"); shift; done; continue ;;
    *) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
cli=$build/src/tessaril-cli
for tool in rsync pigz gzip find /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install rsync pigz time)" >&2; exit 2; }
done
wanted() { [ ${#only[@]} -eq 0 ] && return 0; local n; for n in "${only[@]}"; do [ "$n" = "$1" ] && return 0; done; return 1; }

devices=$work/devices
out=$work/out
mkdir -p "$devices" "$out"
export TESSARIL_DEVICES=$devices TESSARIL_BACKENDS=sim

# --- workloads ---------------------------------------------------------------

# A device folder holds device.ini and one folder per storage.
make_device() { mkdir -p "$devices/$1/Storage"; printf '[Device]\nFriendlyName=%s\n' "$1" > "$devices/$1/device.ini"; }

generate() {
  if wanted small && [ ! -f "$devices/Small/.done" ]; then
    echo "generating Small: 10,000 files of 4 KiB" >&2
    make_device Small
    python3 - "$devices/Small/Storage" <<'EOF'
import os, sys
root = sys.argv[1]
for d in range(10):
    os.makedirs(f"{root}/d{d}", exist_ok=True)
    for f in range(1000):
        with open(f"{root}/d{d}/f{f:04}.bin", "wb") as out:
            out.write(os.urandom(4096))
EOF
    touch "$devices/Small/.done"
  fi
  if wanted big && [ ! -f "$devices/Big/.done" ]; then
    echo "generating Big: one 1 GiB file" >&2
    make_device Big
    head -c $((1 << 30)) /dev/urandom > "$devices/Big/Storage/big.bin"
    touch "$devices/Big/.done"
  fi
  if { wanted tree || wanted rerun; } && [ ! -f "$devices/Tree/.done" ]; then
    echo "generating Tree: 100,000 files in 2,200 folders" >&2
    make_device Tree
    python3 - "$devices/Tree/Storage" 100000 <<'EOF'
import os, sys
root, total = sys.argv[1], int(sys.argv[2])
# 22 top folders of 99 albums each: 22 + 2178 = 2200 folders
albums = [f"{root}/top{t:02}/album{a:02}" for t in range(22) for a in range(99)]
for a in albums:
    os.makedirs(a, exist_ok=True)
for i in range(total):
    with open(f"{albums[i % len(albums)]}/IMG_{i:06}.jpg", "wb") as out:
        out.write(b"x" * (i % 97))
EOF
    touch "$devices/Tree/.done"
  fi
  if wanted memory && [ ! -f "$devices/Huge/.done" ]; then
    echo "generating Huge: 200,000 files in 2,000 folders" >&2
    make_device Huge
    python3 - "$devices/Huge/Storage" <<'EOF'
import os, sys
root = sys.argv[1]
for t in range(20):
    for a in range(100):
        d = f"{root}/top{t:02}/album{a:02}"
        os.makedirs(d, exist_ok=True)
        for f in range(100):
            open(f"{d}/PXL_{f:03}.jpg", "wb").close()
EOF
    touch "$devices/Huge/.done"
  fi
  if wanted gzip && [ ! -f "$devices/Text/.done" ]; then
    echo "generating Text: 256 MiB of text" >&2
    make_device Text
    # Log-like lines: compressible about 4:1, like real text.
    python3 - "$devices/Text/Storage/text.log" <<'EOF'
import random, sys
random.seed(7)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 10))) for _ in range(5000)]
target = 256 << 20
with open(sys.argv[1], "w") as out:
    size, n = 0, 0
    while size < target:
        line = f"{n:09} 2026-12-{n % 28 + 1:02} {random.randint(0, 99999):05} " + ' '.join(random.choice(words) for _ in range(random.randint(4, 16))) + "\n"
        size += out.write(line)
        n += 1
    out.truncate(target)
EOF
    touch "$devices/Text/.done"
  fi
}

# --- measuring -----------------------------------------------------------------

# measure NAME PREPARE COMMAND...: runs PREPARE (untimed), then COMMAND under
# /usr/bin/time; appends "seconds kib" to $work/times/NAME.
measure() {
  local name=$1 prepare=$2
  shift 2
  eval "$prepare"
  /usr/bin/time -f '%e %M' -o "$work/time.tmp" "$@" > /dev/null 2> "$work/stderr.tmp" || {
    echo "failed: $* (see $work/stderr.tmp)" >&2
    tail -5 "$work/stderr.tmp" >&2
    exit 1
  }
  tail -1 "$work/time.tmp" >> "$work/times/$name"
}

median() { # column of $work/times/NAME -> median
  awk -v c="$2" '{print $c}' "$work/times/$1" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'
}

rows=()
row() { # label, program name, peer name, goal ratio (empty: none)
  local label=$1 prog=$2 peer=$3 goal=$4
  local pt pm qt qm ratio verdict
  pt=$(median "$prog" 1); pm=$(median "$prog" 2)
  qt=$(median "$peer" 1); qm=$(median "$peer" 2)
  ratio=$(awk -v a="$pt" -v b="$qt" 'BEGIN {printf (b > 0) ? "%.2f" : "-", a / b}')
  verdict=""
  if [ -n "$goal" ]; then
    verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN {print (r != "-" && r <= g) ? "met" : "NOT met"}')
  fi
  rows+=("| $label | $pt s, $((pm / 1024)) MiB | ${peer#*_}: $qt s, $((qm / 1024)) MiB | ${ratio}× | ${goal:+≤ ${goal}× }$verdict |")
}

if [ "$report" = 0 ]; then
rm -rf "$work/times"
mkdir -p "$work/times"
generate
[ "${COMPARE_GENERATE_ONLY:-0}" = 1 ] && exit 0
[ -x "$cli" ] || { echo "build tessaril-cli first: scripts/setup.sh --no-gui" >&2; exit 2; }
# Warm the page cache once.
for d in "$devices"/*/; do find "$d" -type f -exec cat {} + > /dev/null; done 2>/dev/null || true

fresh() { echo "rm -rf '$out/$1' && mkdir -p '$out/$1' && sync"; }
# The status of every entry into the cache, as a re-run or a listing finds
# it when nothing else runs: other workloads' gigabytes push it out.
warm() { local d; for d in "$@"; do echo "find '$d' -printf '%s' > /dev/null;"; done; }

for round in $(seq 1 "$runs"); do
  echo "round $round of $runs" >&2
  if wanted small; then
    measure small_tessaril "$(fresh t)" "$cli" backup Small --to "$out/t"
    measure small_rsync "$(fresh r)" rsync -a "$devices/Small/Storage/" "$out/r/"
    measure small_cp "$(fresh c)" cp -a "$devices/Small/Storage/." "$out/c/"
  fi
  if wanted big; then
    measure big_tessaril "$(fresh t)" "$cli" backup Big --to "$out/t"
    measure big_cp "$(fresh c)" cp "$devices/Big/Storage/big.bin" "$out/c/"
  fi
  if wanted tree; then
    measure tree_tessaril "$(warm "$devices/Tree")" "$cli" tree Tree --files
    measure tree_find "$(warm "$devices/Tree")" find "$devices/Tree/Storage" -printf '%p %s %T@\n'
  fi
  if wanted rerun; then
    if [ "$round" = 1 ]; then
      rm -rf "$out/rt" "$out/rr"
      "$cli" backup Tree --to "$out/rt" > /dev/null
      rsync -a "$devices/Tree/Storage/" "$out/rr/"
    fi
    measure rerun_tessaril "$(warm "$devices/Tree" "$out/rt")" "$cli" backup Tree --to "$out/rt"
    measure rerun_rsync "$(warm "$devices/Tree" "$out/rr")" rsync -a "$devices/Tree/Storage/" "$out/rr/"
  fi
  if wanted gzip; then
    measure gzip_tessaril "$(fresh t)" "$cli" backup Text --to "$out/t" --compress --no-comp-types '#'
    measure gzip_gzip "$(fresh g)" sh -c "gzip -6 -c '$devices/Text/Storage/text.log' > '$out/g/text.log.gz'"
    measure gzip_pigz "$(fresh p)" sh -c "pigz -6 -p 2 -c '$devices/Text/Storage/text.log' > '$out/p/text.log.gz'"
  fi
  if wanted memory; then
    measure memory_tessaril "$(warm "$devices/Huge")" "$cli" tree Huge --files
    measure memory_find "$(warm "$devices/Huge")" find "$devices/Huge/Storage" -printf '%p %s %T@\n'
  fi
done
fi

wanted small && row "10,000 files of 4 KiB, fresh backup" small_tessaril small_rsync 1.3 && row "  (same, beside cp -a)" small_tessaril small_cp ""
wanted big && row "one 1 GiB file, plain" big_tessaril big_cp 1.1
wanted tree && row "tree --files, 100,000 files in 2,200 folders" tree_tessaril tree_find 2.5
wanted rerun && row "re-run over 100,000 unchanged files" rerun_tessaril rerun_rsync 1.5
if wanted gzip; then
  row "gzip of 256 MiB of text" gzip_tessaril gzip_pigz 1.1
  row "  (same, beside gzip -6)" gzip_tessaril gzip_gzip ""
fi
if wanted gzip && [ -f "$out/t/Storage/text.log.gz" ] && [ -f "$out/g/text.log.gz" ]; then
  ts=$(stat -c %s "$out/t/Storage/text.log.gz")
  gs=$(stat -c %s "$out/g/text.log.gz")
  gzip -t "$out/t/Storage/text.log.gz"
  size=$(awk -v a="$ts" -v b="$gs" 'BEGIN {d = (a - b) / b * 100; printf "%d bytes vs gzip -6 %d bytes: %+.3f %% (goal within 0.2 %%: %s)", a, b, d, (d <= 0.2 && d >= -100) ? "met" : "NOT met"}')
fi
if wanted memory; then
  mm=$(median memory_tessaril 2)
  memory="peak memory of tree --files over 200,000 files (202,022 objects): $((mm / 1024)) MiB (goal ≤ 60 MiB: $([ $((mm / 1024)) -le 60 ] && echo met || echo 'NOT met'))"
fi

echo
echo "Medians of $runs rounds, whole processes (/usr/bin/time: wall time, peak RSS); $(nproc) cores."
echo
echo "| workload | tessaril-cli | peer | ratio | goal |"
echo "|---|---|---|---:|---|"
printf '%s\n' "${rows[@]}"
[ -n "${size:-}" ] && echo && echo "gzip size: $size"
[ -n "${memory:-}" ] && echo && echo "$memory"
exit 0
