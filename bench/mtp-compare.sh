#!/usr/bin/env bash
# The whole `tessaril-cli backup` of an MTP device beside a one-session
# libmtp copier (the VM harness's example client: one session, every storage
# walked, LIBMTP_Get_File_To_File per file, the time set), on QEMU's emulated
# device in the same guest, in turns; and `tessaril-cli tree --files` beside
# libmtp's `mtp-files` on a device of 5,000 files. Wall time is taken inside
# the guest around each command, so the guest's boot is not counted.
#
#   bench/mtp-compare.sh [--runs N] [--icount] [--no-aslr] [--before CLI] [BUILD_DIR]
#                                        (default: build; use a release build)
#
# --runs N (or MTP_COMPARE_ROUNDS, default 3) sets the rounds; the table shows
# medians, and the median and spread of each round's own ratio (the two
# commands of a round run seconds apart, so a slow drift of the shared host
# moves both). --before CLI runs another tessaril-cli (an earlier build) in the
# same rounds and adds its column, so that a change is judged under the same
# load as the peer; a shared machine moves the figures between runs.
# --icount runs the guest with QEMU's instruction counter as its clock (one
# nanosecond per instruction, idle time skipped): the figures then count the
# guest's work, not the shared host's load, and repeat to the instruction; the
# device's own transfer time is left out.
# --no-aslr turns the guest's address-space randomisation off. Under TCG a
# process whose code lies at new addresses has all of it translated afresh;
# with the addresses fixed, QEMU reuses what it translated for an earlier
# process, as a real processor needs no such step. It shows how much of a
# wall-clock gap is that translation (a program on Qt runs more code once).
# MTP_COMPARE_ONLY=small|big|mixed|listing runs one device only.
# The peer's source: MTP_COMPARE_PEER (default the shared example client).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${MTP_COMPARE_ROUNDS:-3}
before=""
clock_args=()
aslr=2
while [ $# -gt 0 ]; do
  case $1 in
    --runs) rounds=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --icount) clock_args=(--qemu-arg -icount --qemu-arg shift=0,sleep=off); shift ;;
    --no-aslr) aslr=0; shift ;;
    -*) echo "mtp-compare.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ -z "$before" ] || [ -x "$before" ] || { echo "--before: $before is no program" >&2; exit 2; }
build=${1:-$top/build}
cli=$build/src/tessaril-cli
[ -x "$cli" ] || cli=$(find "$build" -name tessaril-cli -type f -perm -u+x | head -n 1)
[ -n "$cli" ] && [ -x "$cli" ] || {
  echo "build tessaril-cli first: cmake --build $build --target tessaril-cli" >&2
  exit 2
}
harness=${MTPVM_HARNESS:-$top/tests/mtpvm/run-in-vm.sh}
peer_source=${MTP_COMPARE_PEER:-/work/shared/mtp-vm/example/mtp-mini-backup.cpp}
only=${MTP_COMPARE_ONLY:-}
[ -f "$peer_source" ] || { echo "the peer's source $peer_source is missing" >&2; exit 2; }

T=$(mktemp -d /tmp/tessaril-mtpcompare.XXXXXX)
trap 'rm -rf "$T"' EXIT
g++ -O2 -o "$T/mtp-mini-backup" "$peer_source" $(pkg-config --cflags --libs libmtp)
# The guest's busybox has no sub-second date; /proc/uptime counts in 10 ms.
cat > "$T/now.c" <<'EOF_NOW'
#include <stdio.h>
#include <time.h>
int main(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    printf("%lld\n", (long long)t.tv_sec * 1000000000LL + t.tv_nsec);
    return 0;
}
EOF_NOW
cc -O2 -o "$T/now" "$T/now.c"

small_files() { # DIR
  mkdir -p "$1"
  for i in $(seq -w 1 300); do head -c 4096 /dev/urandom > "$1/IMG_$i.jpg"; done
}
make_device() { # NAME
  local d=$T/dev-$1
  mkdir -p "$d"
  case $1 in
    small) small_files "$d/DCIM/Camera" ;;
    big) mkdir -p "$d/Movies"; head -c $((200 << 20)) /dev/urandom > "$d/Movies/big.mp4" ;;
    mixed)
      small_files "$d/DCIM/Camera"
      mkdir -p "$d/Movies" "$d/Music"
      head -c $((200 << 20)) /dev/urandom > "$d/Movies/big.mp4"
      for i in $(seq -w 1 20); do head -c $((5 << 20)) /dev/urandom > "$d/Music/track$i.mp3"; done
      ;;
    listing)
      for f in $(seq -w 1 10); do
        mkdir -p "$d/DCIM/Album$f"
        for i in $(seq -w 1 500); do : > "$d/DCIM/Album$f/IMG_$i.jpg"; done
      done
      ;;
  esac
  # Old, distinct times: both sides must set them.
  find "$d" -type f -exec touch -d '2023-05-06 07:08:09 UTC' {} +
}

# Inside the guest: one line "TIME <who> <round> <nanoseconds> <status> <files>" per command.
guest_script='
now() { /opt/run/now; }
measure() { # WHO ROUND DEST COMMAND...
  who=$1 round=$2 dest=$3; shift 3
  rm -rf "$dest"; mkdir -p "$dest"; sync
  start=$(now); "$@" > /tmp/out.log 2>&1; status=$?; end=$(now)
  files=$(find "$dest" -type f | wc -l)
  [ "$status" = 0 ] || tail -n 5 /tmp/out.log
  echo "TIME $who $round $((end - start)) $status $files"
  rm -rf "$dest"
}
tessaril() { /opt/run/tessaril-cli backup "QEMU filesharing" --to "$1" --backends mtp; }
before() { /opt/run/before/tessaril-cli backup "QEMU filesharing" --to "$1" --backends mtp; }
peer() { /opt/run/mtp-mini-backup "$1"; }
tree() { /opt/run/tessaril-cli tree "QEMU filesharing" --files --backends mtp > "$1/tree.txt"; }
treebefore() { /opt/run/before/tessaril-cli tree "QEMU filesharing" --files --backends mtp > "$1/tree.txt"; }
files() { mtp-files > "$1/files.txt"; }
# The first random numbers after boot wait until the kernel has gathered
# entropy (most of a second under emulation); a desktop is long past that.
head -c 1 /dev/random > /dev/null
[ "$ASLR" = 2 ] || echo "$ASLR" > /proc/sys/kernel/randomize_va_space
# The first use of the tmpfs pages costs their allocation and clearing; the
# one who goes first in round one would pay it alone.
head -c $((320 << 20)) /dev/zero > /tmp/warm-up; rm -f /tmp/warm-up
r=1
while [ "$r" -le "$ROUNDS" ]; do
  if [ "$MODE" = listing ]; then a=tree; b=files; c=treebefore; else a=tessaril; b=peer; c=before; fi
  [ -n "$BEFORE" ] || c=""
  # Rotate who goes first, so that none always finds a warm device.
  case $((r % 3)) in
    2) x=$a; a=$b; b=$x ;;
    0) [ -z "$c" ] || { x=$a; a=$c; c=$x; } ;;
  esac
  for who in $a $b $c; do measure $who $r /tmp/$who $who /tmp/$who; done
  r=$((r + 1))
done
'

results=$T/results
: > "$results"
for dev in small big mixed listing; do
  [ -z "$only" ] || [ "$only" = "$dev" ] || continue
  make_device "$dev"
  echo "== $dev" >&2
  before_args=()
  [ -z "$before" ] || before_args=(--env BEFORE=1 --add "$before:/opt/run/before/tessaril-cli")
  "$harness" --timeout 1800 --mem 1280 --env ROUNDS="$rounds" --env MODE="$dev" --env ASLR="$aslr" "${before_args[@]}" "${clock_args[@]}" \
    --add "$cli:/opt/run/tessaril-cli" --add "$T/mtp-mini-backup:/opt/run/mtp-mini-backup" --add "$T/now:/opt/run/now" \
    "$T/dev-$dev" -c "$guest_script" > "$T/log-$dev" 2>&1 || { cat "$T/log-$dev" >&2; exit 1; }
  grep -v '^TIME ' "$T/log-$dev" | sed 's/^/    guest: /' >&2 || true
  sed -n "s/^TIME /$dev /p" "$T/log-$dev" >> "$results"
  rm -rf "$T/dev-$dev"
done

[ ${#clock_args[@]} = 0 ] || echo "Times are QEMU's instruction clock: 1 s is 10^9 guest instructions."
[ "$aslr" = 2 ] || echo "The guest ran without address-space randomisation."
python3 - "$results" <<'EOF'
import statistics, sys
goals = {"small": 1.1, "big": 1.05, "mixed": 1.1, "listing": 1.2}
titles = {"small": "300 files of 4 KiB", "big": "one 200 MiB file",
          "mixed": "both, with 20 files of 5 MiB", "listing": "tree --files, 5,000 files"}
runs = {}
by_round = {}
for line in open(sys.argv[1]):
    dev, who, rnd, ns, status, files = line.split()
    runs.setdefault((dev, who), []).append((int(ns) / 1e9, int(status), int(files)))
    by_round.setdefault((dev, who), {})[int(rnd)] = int(ns) / 1e9


def round_ratio(dev, ours, theirs):
    """The median of ours / theirs within each round, and their spread."""
    a, b = by_round.get((dev, ours), {}), by_round.get((dev, theirs), {})
    ratios = [a[r] / b[r] for r in a if r in b and b[r] > 0]
    if not ratios:
        return "–"
    return "%.3f× (%.3f–%.3f)" % (statistics.median(ratios), min(ratios), max(ratios))


with_before = any(who in ("before", "treebefore") for _, who in runs)
if with_before:
    print("| device content | tessaril-cli | peer | ratio | per round | goal | before | its ratio |")
    print("|---|---:|---:|---:|---:|---|---:|---:|")
else:
    print("| device content | tessaril-cli | peer | ratio | per round | goal |")
    print("|---|---:|---:|---:|---:|---|")
for dev in ["small", "big", "mixed", "listing"]:
    ours, theirs = ("tree", "files") if dev == "listing" else ("tessaril", "peer")
    if (dev, ours) not in runs:
        continue
    a = runs[(dev, ours)]
    b = runs[(dev, theirs)]
    ma = statistics.median(t for t, _, _ in a)
    mb = statistics.median(t for t, _, _ in b)
    ratio = ma / mb if mb > 0 else float("inf")
    bad = [r for r in a + b if r[1] != 0]
    note = " (a command failed)" if bad else ""
    if dev != "listing" and {f for _, _, f in a} != {f for _, _, f in b}:
        note += " (file counts differ: %s vs %s)" % (sorted({f for _, _, f in a}), sorted({f for _, _, f in b}))
    met = "met" if ratio <= goals[dev] else "NOT met"
    peer = "mtp-files" if dev == "listing" else "one-session copier"
    spread = lambda rs: "%.3f–%.3f" % (min(t for t, _, _ in rs), max(t for t, _, _ in rs))
    row = "| %s | %.3f s (%s) | %s: %.3f s (%s) | %.3f× | %s | ≤ %.2f× %s%s |" % (
        titles[dev], ma, spread(a), peer, mb, spread(b), ratio, round_ratio(dev, ours, theirs), goals[dev], met,
        note)
    old = runs.get((dev, "treebefore" if dev == "listing" else "before"))
    if old:
        mo = statistics.median(t for t, _, _ in old)
        row += " %.3f s (%s) | %.3f× |" % (mo, spread(old), mo / mb if mb > 0 else float("inf"))
    print(row)
EOF
