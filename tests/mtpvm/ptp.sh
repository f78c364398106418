#!/usr/bin/env bash
# The libgphoto2 backend against QEMU's emulated usb-mtp device, whose
# still-image interface libgphoto2's PTP driver reaches in a small guest
# through the kernel's USB stack and libusb, as it would reach a camera.
#
#   ptp.sh --cli PATH/tessaril-cli
#
# With only the ptp backend chosen, `devices`, `tree` and `run TASK.tsj`
# bring back the device folder byte-identical with its modification times;
# with all backends the device is listed once (libmtp serves it). Exit 0
# passed, 1 failed, 77 skipped (ctest shows the reason) when this machine
# cannot start the guest.
#
# libgphoto2 loads its camera and port drivers at run time: the PTP driver
# and the USB port driver are carried into the guest and named by CAMLIBS
# and IOLIBS. The guest runs in UTC, so the device's dates (sent without a
# zone) match the host's. It has no locale files and runs under the C
# locale; the program opens cameras under C.UTF-8 (which every Debian system
# has, from libc-bin), so its character table is carried in too.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
HARNESS=${MTPVM_HARNESS:-$HERE/run-in-vm.sh}
CLI=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) CLI=$2; shift ;;
    *) echo "ptp.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

skip() { echo "SKIPPED: $*"; exit 77; }
pass=0; fail=0
ok()  { echo "ok   - $*"; pass=$((pass + 1)); }
bad() { echo "FAIL - $*"; fail=$((fail + 1)); }

[ "$(uname -m)" = x86_64 ] || skip "the QEMU guest needs an x86_64 host (this is $(uname -m))"
[ -x "$HARNESS" ] || skip "the VM harness $HARNESS is missing"
[ -n "$CLI" ] && [ -x "$CLI" ] || skip "tessaril-cli was not built"
CAMLIBS_DIR=$(pkg-config --variable=driverdir libgphoto2 2> /dev/null)
IOLIBS_DIR=$(pkg-config --variable=driverdir libgphoto2_port 2> /dev/null)
[ -f "$CAMLIBS_DIR/ptp2.so" ] && [ -f "$IOLIBS_DIR/usb1.so" ] ||
  skip "libgphoto2's PTP driver or USB port driver is missing (${CAMLIBS_DIR:-no camlibs}, ${IOLIBS_DIR:-no iolibs})"
UTF8_CTYPE=/usr/lib/locale/C.utf8/LC_CTYPE
[ -f "$UTF8_CTYPE" ] || UTF8_CTYPE=""
if [ "$(id -u)" != 0 ] && [ -z "${MTPVM_CACHE:-}" ]; then
  export MTPVM_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/mtp-vm
fi

T=$(mktemp -d /tmp/tessaril-ptpvm.XXXXXX)
trap 'rm -rf "$T"' EXIT

if ! "$HARNESS" --no-dev --timeout 300 "$T" -c 'true' > "$T/preflight.log" 2>&1; then
  reason=$(grep -v '^\s*$' "$T/preflight.log" | tail -n 3 | tr '\n' ' ')
  skip "the QEMU guest cannot start on this machine: ${reason:-no output}"
fi

# The device folder: nested and empty folders, an empty file, non-ASCII
# names, a file of many blocks that does not end on a block, old dates.
D=$T/device
mkdir -p "$D/DCIM/Camera/Deeper" "$D/DCIM/Empty folder" "$D/Notes"
head -c 5767169 /dev/urandom > "$D/DCIM/Camera/IMG_0001.CR2"
printf 'jpeg' > "$D/DCIM/Camera/IMG_0002.JPG"
: > "$D/DCIM/Camera/empty.bin"
echo nested > "$D/DCIM/Camera/Deeper/deep.txt"
echo "ünïcödé" > "$D/Notes/Grüße – 日本語.txt"
echo top > "$D/top.txt"
touch -d '2021-03-04 05:06:07 UTC' "$D/top.txt"
touch -d '1999-12-31 23:59:58 UTC' "$D/DCIM/Camera/IMG_0002.JPG"
touch -d '2024-07-01 12:00:00 UTC' "$D/Notes/Grüße – 日本語.txt"
STORAGE="Tessaril test camera"

OUT=$T/out
mkdir -p "$OUT"
python3 - "$T/task.tsj" "$STORAGE" <<'PY'
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
PY

GUEST_SCRIPT='
cli=/opt/run/tessaril-cli
echo "== devices ptp"; $cli devices --backends ptp; echo "devices-status=$?"
echo "== tree"; $cli tree "QEMU filesharing" --files --backends ptp; echo "tree-status=$?"
echo "== run"; $cli run /opt/run/task.tsj --backends ptp; echo "run-status=$?"
echo "== devices all"; $cli devices; echo "all-status=$?"
'
set +e
"$HARNESS" --timeout 600 --desc "$STORAGE" --out "$OUT" --env ASAN_OPTIONS=detect_leaks=0 \
  --env CAMLIBS=/opt/gphoto2/camlibs --env IOLIBS=/opt/gphoto2/iolibs \
  --add "$CLI:/opt/run/tessaril-cli" --add "$T/task.tsj:/opt/run/task.tsj" \
  --add "$CAMLIBS_DIR/ptp2.so:/opt/gphoto2/camlibs/ptp2.so" --add "$IOLIBS_DIR/usb1.so:/opt/gphoto2/iolibs/usb1.so" \
  ${UTF8_CTYPE:+--add "$UTF8_CTYPE:$UTF8_CTYPE"} \
  "$D" -c "$GUEST_SCRIPT" > "$T/guest.log" 2>&1
rc=$?
set -e
sed 's/^/    guest: /' "$T/guest.log"
[ "$rc" = 0 ] && ok "guest ran" || bad "guest exit status $rc"

section() { sed -n "/^== $1\$/,/^$2=/p" "$T/guest.log"; }
grep -q '^devices-status=0$' "$T/guest.log" && ok "devices: exit status 0" || bad "devices failed"
section "devices ptp" devices-status | grep -q '^1 portable device found' &&
  section "devices ptp" devices-status | grep -q '^QEMU filesharing$' &&
  ok "devices (ptp) lists the emulated device by its model" || bad "the ptp backend does not list the device"
section "devices ptp" devices-status | grep -q 'Backend: *libgphoto2$' &&
  ok "devices (ptp) names libgphoto2 as its backend" || bad "devices (ptp) does not name libgphoto2"
grep -q '^tree-status=0$' "$T/guest.log" && ok "tree: exit status 0" || bad "tree failed"
for entry in "$STORAGE/" "Camera/" "Deeper/" "Empty folder/" "IMG_0001.CR2  (5767169 bytes" "empty.bin  (0 bytes"; do
  section tree tree-status | grep -qF "$entry" && ok "tree shows $entry" || bad "tree lacks $entry"
done
grep -q '^run-status=0$' "$T/guest.log" && ok "run: exit status 0" || bad "run failed"
all=$(section "devices all" all-status)
echo "$all" | grep -q '^1 portable device found' && [ "$(echo "$all" | grep -c '^QEMU filesharing$')" = 1 ] &&
  ok "all backends: the device is listed once" || bad "all backends: the device is not listed exactly once"
echo "$all" | grep -q 'Backend: *libmtp$' && ok "all backends: libmtp serves it" || bad "all backends: not served by libmtp"

copy=$OUT/backup/$STORAGE
if [ ! -d "$copy" ]; then
  bad "no copy at ${copy#"$T"/}"
elif diff -r "$D" "$copy" > "$T/diff" 2>&1; then
  ok "every file and folder is byte-identical"
else
  bad "the copy differs:"; sed 's/^/    /' "$T/diff"
fi
wrong=0
while IFS= read -r -d '' file; do
  rel=${file#"$D"/}
  [ "$(stat -c %Y "$file")" = "$(stat -c %Y "$copy/$rel" 2> /dev/null)" ] ||
    { echo "    mtime differs: $rel"; wrong=$((wrong + 1)); }
done < <(find "$D" -type f -print0)
[ "$wrong" = 0 ] && ok "every file has its modification time" || bad "$wrong wrong times"

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
