#!/usr/bin/env bash
# The whole `tessaril-cli backup` of an MTP device beside a one-session
# libmtp copier (the VM harness's example client: one session, every storage
# walked, LIBMTP_Get_File_To_File per file, the time set), on QEMU's emulated
# device in the same guest, in turns; and `tessaril-cli tree --files` beside
# libmtp's `mtp-files` on a device of 5,000 files. Wall time is taken inside
# the guest around each command, so the guest's boot is not counted.
#
#   bench/mtp-compare.sh [BUILD_DIR]     (default: build; use a release build)
#
# MTP_COMPARE_ROUNDS (default 3) sets the rounds; the table shows medians.
# MTP_COMPARE_ONLY=small|big|mixed|listing runs one device only.
# The peer's source: MTP_COMPARE_PEER (default the shared example client).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cli=$build/src/tessaril-cli
[ -x "$cli" ] || cli=$(find "$build" -name tessaril-cli -type f -perm -u+x | head -n 1)
[ -n "$cli" ] && [ -x "$cli" ] || {
  echo "build tessaril-cli first: cmake --build $build --target tessaril-cli" >&2
  exit 2
}
harness=${MTPVM_HARNESS:-$top/tests/mtpvm/run-in-vm.sh}
peer_source=${MTP_COMPARE_PEER:-/work/shared/mtp-vm/example/mtp-mini-backup.cpp}
rounds=${MTP_COMPARE_ROUNDS:-3}
only=${MTP_COMPARE_ONLY:-}
[ -f "$peer_source" ] || { echo "the peer's source $peer_source is missing" >&2; exit 2; }

T=$(mktemp -d /tmp/tessaril-mtpcompare.XXXXXX)
trap 'rm -rf "$T"' EXIT
g++ -O2 -o "$T/mtp-mini-backup" "$peer_source" $(pkg-config --cflags --libs libmtp)

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
now() { if [ -n "$ns" ]; then date +%s%N; else read u _ < /proc/uptime; echo "${u%.*}${u#*.}0000000"; fi; }
ns=""; case "$(date +%s%N)" in *N*|"") ;; *) ns=1 ;; esac
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
peer() { /opt/run/mtp-mini-backup "$1"; }
tree() { /opt/run/tessaril-cli tree "QEMU filesharing" --files --backends mtp > "$1/tree.txt"; }
files() { mtp-files > "$1/files.txt"; }
# The first random numbers after boot wait until the kernel has gathered
# entropy (most of a second under emulation); a desktop is long past that.
head -c 1 /dev/random > /dev/null
r=1
while [ "$r" -le "$ROUNDS" ]; do
  if [ "$MODE" = listing ]; then a=tree; b=files; else a=tessaril; b=peer; fi
  # Alternate who goes first, so that neither always finds a warm device.
  if [ $((r % 2)) = 0 ]; then x=$a; a=$b; b=$x; fi
  measure $a $r /tmp/$a $a /tmp/$a
  measure $b $r /tmp/$b $b /tmp/$b
  r=$((r + 1))
done
'

results=$T/results
: > "$results"
for dev in small big mixed listing; do
  [ -z "$only" ] || [ "$only" = "$dev" ] || continue
  make_device "$dev"
  echo "== $dev" >&2
  "$harness" --timeout 1800 --mem 1280 --env ROUNDS="$rounds" --env MODE="$dev" \
    --add "$cli:/opt/run/tessaril-cli" --add "$T/mtp-mini-backup:/opt/run/mtp-mini-backup" \
    "$T/dev-$dev" -c "$guest_script" > "$T/log-$dev" 2>&1 || { cat "$T/log-$dev" >&2; exit 1; }
  grep -v '^TIME ' "$T/log-$dev" | sed 's/^/    guest: /' >&2 || true
  sed -n "s/^TIME /$dev /p" "$T/log-$dev" >> "$results"
  rm -rf "$T/dev-$dev"
done

python3 - "$results" <<'EOF'
import statistics, sys
goals = {"small": 1.1, "big": 1.05, "mixed": 1.1, "listing": 1.2}
titles = {"small": "300 files of 4 KiB", "big": "one 200 MiB file",
          "mixed": "both, with 20 files of 5 MiB", "listing": "tree --files, 5,000 files"}
runs = {}
for line in open(sys.argv[1]):
    dev, who, rnd, ns, status, files = line.split()
    runs.setdefault((dev, who), []).append((int(ns) / 1e9, int(status), int(files)))
print("| device content | tessaril-cli | peer | ratio | goal |")
print("|---|---:|---:|---:|---|")
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
    spread = lambda rs: "%.2f–%.2f" % (min(t for t, _, _ in rs), max(t for t, _, _ in rs))
    print("| %s | %.2f s (%s) | %s: %.2f s (%s) | %.2f× | ≤ %.2f× %s%s |" % (
        titles[dev], ma, spread(a), peer, mb, spread(b), ratio, goals[dev], met, note))
EOF
