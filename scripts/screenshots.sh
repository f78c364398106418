#!/usr/bin/env bash
# Screenshots of the desktop program under Xvfb: the main window in the light
# and the dark style (ready, during a demo backup of a simulated phone with
# its progress, after it, and the preview of a second run), every kind of message, the icon sheet, and each of the program's
# dialogs in the light and the dark style and in German.
#   scripts/screenshots.sh [build dir]      (PNG files go to <build dir>/screenshots)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" 2>/dev/null && pwd || echo "${1:-$top/build}")
out="$build/screenshots"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$top" -B "$build" -G Ninja
cmake --build "$build" --target tessaril-screenshots -j2

rm -rf "$out"
mkdir -p "$out"
devices="$out/devices"
phone="$devices/Pixel 7"
mkdir -p "$phone/Internal storage/DCIM/Camera" "$phone/Internal storage/Music/Playlists" \
         "$phone/Internal storage/Documents" "$phone/Internal storage/Download" "$phone/SD card/Movies" \
         "$devices/Camera/Card/DCIM/100CANON"
cat > "$phone/device.ini" <<'INI'
[Device]
Manufacturer=Google
Description=Pixel 7
Model=Pixel 7
Firmware=TQ3A.230901.001
DeviceType=3
PowerSource=0
PowerLevel=64
[Faults]
ReadDelayUs=60000
INI
printf '[Device]\nManufacturer=Canon\nDescription=EOS 250D\nDeviceType=1\nPowerSource=1\nPowerLevel=100\n' \
  > "$devices/Camera/device.ini"
# Files of plausible sizes with dates spread over the last months.
make_file() { # path size days-ago
  head -c "$2" /dev/urandom > "$1"
  touch -d "@$(( $(date +%s) - $3 * 86400 - RANDOM * 2 ))" "$1"
}
for i in $(seq 1 24); do
  make_file "$phone/Internal storage/DCIM/Camera/PXL_2026$(printf '%02d' $((i % 12 + 1)))$(printf '%02d' $((i % 27 + 1)))_$(printf '%04d' $((i * 37))).jpg" $((200000 + i * 23457)) $((i * 6))
done
make_file "$phone/Internal storage/DCIM/Camera/VID_20261124_1830.mp4" 3400000 15
for s in "Morning Light" "Harbour Song" "Blue Hour"; do
  make_file "$phone/Internal storage/Music/$s.mp3" $((3000000 + RANDOM * 10)) 90
done
printf 'Harbour Song.mp3\nBlue Hour.mp3\n' > "$phone/Internal storage/Music/Playlists/Evening.m3u"
make_file "$phone/Internal storage/Documents/Tickets.pdf" 184000 30
printf 'Shopping list\n- bread\n- coffee\n' > "$phone/Internal storage/Documents/notes.txt"
make_file "$phone/Internal storage/Download/boarding-pass.pdf" 96000 5
make_file "$phone/SD card/Movies/Holiday.mp4" 5200000 60
make_file "$devices/Camera/Card/DCIM/100CANON/IMG_0001.JPG" 4100000 3
# Many app folders, so that reading the phone's tree takes a moment.
for i in $(seq 1 2500); do mkdir -p "$phone/SD card/Android/data/com.example.app$i/files"; done

export TESSARIL_DEVICES="$devices"
# A sanitizer build reports the system libraries' own leaks unless told not to.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp:print_suppressions=0}
export HOME="$out/home"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME"
# A home with a few folders and files for the directory chooser.
mkdir -p "$HOME/Desktop" "$HOME/Documents/Letters" "$HOME/Pictures/2026" "$HOME/Music" "$HOME/Backup/Pixel 7"
make_file "$HOME/Backup/notes.txt" 2400 2
make_file "$HOME/Backup/phone-2026-11.zip" 1800000 20
make_file "$HOME/Backup/IMG_0001.jpg.gz" 420000 3
xvfb-run -a -s "-screen 0 1400x1000x24 -dpi 96" \
  "$build/src/ui/tessaril-screenshots" "$out" "$out/backup"
mkdir -p "$out/scale200"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2800x2000x24 -dpi 96" \
  "$build/src/ui/tessaril-screenshots" "$out/scale200" "$out/backup200"
echo "screenshots in $out"
