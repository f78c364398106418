#!/usr/bin/env bash
# The main job on a fresh machine: sets up, builds the command-line runner and
# backs up the bundled simulated phone into ./demo-backup (or the folder given).
#   scripts/demo.sh [DESTINATION]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-"$top/demo-backup"}
case "$dest" in /*) ;; *) dest="$PWD/$dest" ;; esac

"$top/scripts/setup.sh" --no-gui --build-dir "$top/build-demo" -DTESSARIL_TESTS=OFF -DTESSARIL_BENCH=OFF >/dev/null
cli="$top/build-demo/src/tessaril-cli"

# Git keeps no modification times: give the demo files their own dates, so the
# copies carry real-looking ones.
devices="$top/demo/devices"
while IFS=$'\t' read -r stamp path; do
  case "$stamp" in ''|'#'*) continue ;; esac
  touch -d "$stamp" "$devices/Nimbus X5/$path"
done < "$top/demo/file-dates.txt"

export TESSARIL_DEVICES="$devices"
echo "== Connected devices"
"$cli" devices
echo
echo "== Backup of the whole phone into $dest"
status=0
"$cli" backup "Nimbus X5" --to "$dest/%device%" || status=$?
echo
echo "== Where the copies went"
if [ -d "$dest/Nimbus X5" ]; then
  (cd "$dest/Nimbus X5" && find . -type d | sort | while read -r d; do
      printf '  %-56s %4d files\n' "$( [ "$d" = . ] && echo '(top)' || echo "${d#./}")" "$(find "$d" -maxdepth 1 -type f | wc -l)"
    done)
  echo "  $(find "$dest/Nimbus X5" -type f | wc -l) files in $dest/Nimbus X5"
fi
echo
echo "Run it again to see every file skipped (the copies are as new as the phone's files)."
exit "$status"
