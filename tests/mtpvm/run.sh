#!/usr/bin/env bash
# The libmtp backend against an MTP implementation that no one here wrote:
# QEMU's emulated usb-mtp device, seen by a small Linux guest through its
# kernel USB stack, libusb and libmtp, as a phone would be.
#
#   run.sh --cli PATH/tessaril-cli [--copier PATH/bench_mtp_stream]
#
# Builds a device folder (nested folders, an empty file, non-ASCII names, a
# 20 MiB file, an old modification time), runs `tessaril-cli devices`, `tree`
# and `run TASK.tsj` in the guest, and compares the copy on the host: content,
# names and modification times. Then a device pulled in the middle of a file,
# and "watch" in a guest that starts without a device, which plug.py plugs in,
# pulls and plugs in again. Exit 0 passed, 1 failed, 77 skipped (ctest shows
# the reason), when this machine cannot start the guest.
#
# Only what a real phone would also do is asserted: the emulated device fakes
# its serial number and free space, hands out object handles per session and
# names its storage from the "desc" option; it sends UTC dates that libmtp
# reads as local time (the guest runs in UTC).
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
HARNESS=${MTPVM_HARNESS:-$HERE/run-in-vm.sh}
CLI=""
COPIER=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) CLI=$2; shift ;;
    --copier) COPIER=$2; shift ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

skip() { echo "SKIPPED: $*"; exit 77; }
pass=0; fail=0
ok()  { echo "ok   - $*"; pass=$((pass + 1)); }
bad() { echo "FAIL - $*"; fail=$((fail + 1)); }

[ "$(uname -m)" = x86_64 ] || skip "the QEMU guest needs an x86_64 host (this is $(uname -m))"
[ -x "$HARNESS" ] || skip "the VM harness $HARNESS is missing"
[ -n "$CLI" ] && [ ! -x "$CLI" ] && CLI=""
[ -n "$COPIER" ] && [ ! -x "$COPIER" ] && COPIER=""
[ -n "$CLI$COPIER" ] || skip "neither tessaril-cli nor bench_mtp_stream was built"
# Without root the harness cannot install packages or write /var/cache.
if [ "$(id -u)" != 0 ] && [ -z "${MTPVM_CACHE:-}" ]; then
  export MTPVM_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/mtp-vm
fi

T=$(mktemp -d /tmp/tessaril-mtpvm.XXXXXX)
trap 'rm -rf "$T"' EXIT

# Can this machine start the guest at all? (First run: installs QEMU and
# friends with apt, downloads Debian's kernel package into the cache.)
if ! "$HARNESS" --no-dev --timeout 300 "$T" -c 'true' > "$T/preflight.log" 2>&1; then
  reason=$(grep -v '^\s*$' "$T/preflight.log" | tail -n 3 | tr '\n' ' ')
  skip "the QEMU guest cannot start on this machine: ${reason:-no output}"
fi

# The device folder.
D=$T/device
mkdir -p "$D/DCIM/Camera/Deeper" "$D/Music" "$D/Documents/Empty folder"
echo "hello mtp" > "$D/hello.txt"
: > "$D/empty.bin"
head -c 20971520 /dev/urandom > "$D/DCIM/Camera/big_20MiB.bin"
printf 'photo' > "$D/DCIM/Camera/IMG_0001.jpg"
echo nested > "$D/DCIM/Camera/Deeper/deep.txt"
echo "ünïcödé" > "$D/Music/Grüße – 日本語.txt"
echo "accents" > "$D/Documents/Ça été déjà.txt"
touch -d '2021-03-04 05:06:07 UTC' "$D/hello.txt"
touch -d '1999-12-31 23:59:58 UTC' "$D/DCIM/Camera/IMG_0001.jpg"
touch -d '2024-07-01 12:00:00 UTC' "$D/Music/Grüße – 日本語.txt"
STORAGE="Tessaril test phone"

OUT=$T/out
mkdir -p "$OUT"
# A task file as the window saves it (UTF-16LE with byte order mark).
write_task() { # FILE DIR
  python3 - "$1" "$2" <<'EOF'
import sys
path, folder = sys.argv[1], sys.argv[2]
text = (
    "[Unicode]\r\nEncoding=UTF-16LE\r\nProgram=Tessaril\r\nVersion=1.3.0\r\n\r\n"
    "[Config]\r\nDeviceName=QEMU filesharing\r\nDestination=/out/backup\r\nOverwrite=1\r\n"
    "ArchBit=0\r\nCompress=0\r\nCompressAsZip=0\r\nDirCount=1\r\n\r\n"
    "[Directories]\r\nDir00=" + folder + "\r\n"
)
with open(path, "wb") as f:
    f.write(b"\xff\xfe" + text.encode("utf-16-le"))
EOF
}
write_task "$T/task.tsj" "$STORAGE"

GUEST_SCRIPT=""
[ -n "$CLI" ] && GUEST_SCRIPT='
cli=/opt/run/tessaril-cli
echo "== devices"; $cli devices; echo "devices-status=$?"
echo "== tree"; $cli tree "QEMU filesharing" --files; echo "tree-status=$?"
echo "== run"; $cli run /opt/run/task.tsj; echo "run-status=$?"
'
[ -n "$COPIER" ] && GUEST_SCRIPT="$GUEST_SCRIPT"'
echo "== copier"; /opt/run/bench_mtp_stream copy /out/copier; echo "copier-status=$?"'

set +e
# Sanitizer builds run in the guest too; leaks are the host tests' business.
"$HARNESS" --timeout 600 --desc "$STORAGE" --out "$OUT" --env ASAN_OPTIONS=detect_leaks=0 \
  ${CLI:+--add "$CLI:/opt/run/tessaril-cli"} --add "$T/task.tsj:/opt/run/task.tsj" \
  ${COPIER:+--add "$COPIER:/opt/run/bench_mtp_stream"} \
  "$D" -c "$GUEST_SCRIPT" > "$T/guest.log" 2>&1
rc=$?
set -e
sed 's/^/    guest: /' "$T/guest.log"
[ "$rc" = 0 ] && ok "guest ran" || bad "guest exit status $rc"

if [ -n "$CLI" ]; then
grep -q '^devices-status=0$' "$T/guest.log" && ok "devices: exit status 0" || bad "devices failed"
grep -q 'QEMU filesharing' "$T/guest.log" && ok "devices lists the emulated device by its model" ||
  bad "the emulated device is not listed"
grep -q '^tree-status=0$' "$T/guest.log" && ok "tree: exit status 0" || bad "tree failed"
for folder in "$STORAGE" Camera Deeper "Empty folder"; do
  sed -n '/^== tree/,/^tree-status/p' "$T/guest.log" | grep -q "$folder/" && ok "tree shows $folder" ||
    bad "tree lacks $folder"
done
grep -q '^run-status=0$' "$T/guest.log" && ok "run: exit status 0" || bad "run failed"
else
  echo "NOTE: tessaril-cli was not built; only the backend's own copier runs"
fi

# Compare a copy with the device folder: every file, byte for byte, with its
# modification time (whole seconds: MTP dates have no fractions).
compare_tree() {
  local label=$1 copy=$2
  if [ ! -d "$copy" ]; then
    bad "$label: no copy at ${copy#"$T"/}"; return
  fi
  if diff -r "$D" "$copy" > "$T/diff" 2>&1; then
    ok "$label: every file and folder is byte-identical"
  else
    bad "$label: the copy differs:"; sed 's/^/    /' "$T/diff"
  fi
  local wrong=0
  while IFS= read -r -d '' file; do
    rel=${file#"$D"/}
    [ "$(stat -c %Y "$file")" = "$(stat -c %Y "$copy/$rel" 2>/dev/null)" ] ||
      { echo "    mtime differs: $rel"; wrong=$((wrong + 1)); }
  done < <(find "$D" -type f -print0)
  [ "$wrong" = 0 ] && ok "$label: every file has its modification time" || bad "$label: $wrong wrong times"
}
[ -n "$CLI" ] && compare_tree "run" "$OUT/backup/$STORAGE"
[ -n "$COPIER" ] && compare_tree "backend copier" "$OUT/copier"

# Two devices of one model: both are listed, though QEMU gives every emulated
# device the same MTP serial number (bus and device number tell them apart).
if [ -n "$CLI" ]; then
  mkdir -p "$T/second/Pictures"
  echo two > "$T/second/Pictures/two.txt"
  set +e
  "$HARNESS" --timeout 300 --env ASAN_OPTIONS=detect_leaks=0 --extra-dev "$T/second" \
    --add "$CLI:/opt/run/tessaril-cli" "$D" -c '/opt/run/tessaril-cli devices; echo "two-status=$?"' \
    > "$T/two.log" 2>&1
  set -e
  sed 's/^/    two devices guest: /' "$T/two.log"
  grep -q '^2 portable devices found' "$T/two.log" && grep -q '^two-status=0$' "$T/two.log" &&
    ok "two emulated devices with one serial number are both listed" || bad "two devices are not both listed"
fi

# A device pulled out in the middle of a file: that file (and what follows)
# ends with an error, the program ends by itself and reports the failure.
U=$T/unplug
mkdir -p "$U/device/Movies" "$U/out"
truncate -s 2G "$U/device/Movies/long.mp4" # sparse here; 2 GiB for the device
echo "after" > "$U/device/after.txt"
write_task "$T/unplug.tsj" Unplugged
if [ -n "$CLI" ]; then
  UNPLUG_SCRIPT='touch /out/started; /opt/run/tessaril-cli run /opt/run/unplug.tsj; echo "unplug-status=$?"'
else
  UNPLUG_SCRIPT='touch /out/started; /opt/run/bench_mtp_stream copy /out/copy; echo "unplug-status=$?"'
fi
python3 "$HERE/unplug.py" "$U/qmp.sock" "$U/out/started" 1.5 > "$U/unplug.log" 2>&1 &
unplugger=$!
set +e
"$HARNESS" --timeout 300 --desc Unplugged --out "$U/out" --env ASAN_OPTIONS=detect_leaks=0 \
  --qemu-arg -qmp --qemu-arg "unix:$U/qmp.sock,server=on,wait=off" \
  ${CLI:+--add "$CLI:/opt/run/tessaril-cli"} --add "$T/unplug.tsj:/opt/run/unplug.tsj" \
  ${COPIER:+--add "$COPIER:/opt/run/bench_mtp_stream"} \
  "$U/device" -c "$UNPLUG_SCRIPT" > "$U/guest.log" 2>&1
urc=$?
set -e
wait "$unplugger"
sed 's/^/    unplug guest: /' "$U/guest.log"
sed 's/^/    /' "$U/unplug.log"
if grep -q 'device_del .* ok' "$U/unplug.log"; then
  [ "$urc" != 124 ] && ok "unplugged mid-file: the program ended by itself" || bad "unplugged: the guest timed out"
  grep -q '^unplug-status=1$' "$U/guest.log" && ok "unplugged: the run reports failed files (status 1)" ||
    bad "unplugged: expected status 1"
  # What was cut off must not look like a finished copy: a later run with
  # "only when newer" would skip it for ever.
  partial="$U/out/backup/Unplugged/Movies/long.mp4"
  if [ -e "$partial" ]; then
    echo "    partial copy left: $(stat -c '%s bytes, mtime %y' "$partial")"
    [ "$(stat -c %Y "$partial")" != "$(stat -c %Y "$U/device/Movies/long.mp4")" ] &&
      ok "unplugged: the cut-off copy does not carry the device's time" ||
      bad "unplugged: the cut-off copy looks finished (device's time)"
  else
    ok "unplugged: no cut-off copy left behind"
  fi
else
  bad "could not unplug the emulated device"
fi

# Backup on plug-in: "watch" runs in the guest before any device is there;
# the host plugs the device in, pulls it while the large file is copied and
# plugs it in again (plug.py). The second connection completes the set; a
# device that stays plugged in is backed up once. The guest has no udev
# daemon, so the watcher finds the device by looking every second.
if [ -n "$CLI" ]; then
  W=$T/watch
  mkdir -p "$W/device/DCIM/Camera" "$W/device/Notes" "$W/out"
  echo "first" > "$W/device/Notes/a.txt"
  printf 'photo' > "$W/device/DCIM/Camera/IMG_0002.jpg"
  head -c 419430400 /dev/urandom > "$W/device/DCIM/big_400MiB.bin"
  echo "last" > "$W/device/z.txt"
  touch -d '2022-02-02 02:02:02 UTC' "$W/device/Notes/a.txt"
  write_task "$T/watch.tsj" Watched
  WATCH_SCRIPT='
/opt/run/tessaril-cli watch /opt/run/watch.tsj --rescan 1 &
watcher=$!
sleep 1; touch /out/watching
while [ ! -e /out/stop ]; do sleep 0.5; done
kill -TERM $watcher; wait $watcher; echo "watch-status=$?"'
  : > "$W/guest.log"
  python3 "$HERE/plug.py" "$W/qmp.sock" "$W/device" "$W/out" "$W/guest.log" > "$W/plug.log" 2>&1 &
  plugger=$!
  set +e
  "$HARNESS" --timeout 900 --no-dev --out "$W/out" --env ASAN_OPTIONS=detect_leaks=0 --env HOME=/tmp \
    --qemu-arg -qmp --qemu-arg "unix:$W/qmp.sock,server=on,wait=off" \
    --add "$CLI:/opt/run/tessaril-cli" --add "$T/watch.tsj:/opt/run/watch.tsj" \
    "$W/device" -c "$WATCH_SCRIPT" > "$W/guest.log" 2>&1
  wrc=$?
  set -e
  kill "$plugger" 2> /dev/null || true
  prc=0
  wait "$plugger" || prc=$?
  sed 's/^/    watch guest: /' "$W/guest.log"
  sed 's/^/    /' "$W/plug.log"
  [ "$wrc" = 0 ] && ok "watch: the guest ran" || bad "watch: guest exit status $wrc"
  [ "$prc" = 0 ] && ok "watch: plugged in, pulled and plugged in again" || bad "watch: the plug sequence failed"
  runs=$(grep -c 'Backup task' "$W/guest.log")
  [ "$runs" = 2 ] && ok "watch: one run per connection, none while the device stays" ||
    bad "watch: $runs runs for two connections"
  first_end=$(grep -m1 '^tessaril-cli: .* copied, ' "$W/guest.log")
  case "$first_end" in
    *", 0 failed"*) bad "watch: the pulled run reports no failure ($first_end)" ;;
    *) ok "watch: the pulled run reports its failure" ;;
  esac
  grep -q '^tessaril-cli: no desktop notification (no session bus)$' "$W/guest.log" &&
    ok "watch: without a session bus it says there is no notification" || bad "watch: no word on the notification"
  grep -q '^watch-status=0$' "$W/guest.log" && ok "watch: SIGTERM ends it with status 0" ||
    bad "watch: did not end cleanly on SIGTERM"
  D_SAVED=$D; D=$W/device
  compare_tree "watch" "$W/out/backup/Watched"
  D=$D_SAVED
  leftovers=$(find "$W/out/backup" -name '.tessaril-*.part' | wc -l)
  [ "$leftovers" = 0 ] && ok "watch: no part file left behind" || bad "watch: $leftovers part files left"
fi

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
