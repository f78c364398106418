#!/usr/bin/env bash
# Installs a build tree into a temporary root and packs it as a .deb, then
# checks that both hold every file a desktop installation needs and that the
# desktop's own validators accept them.
#   packaging/check-package.sh BUILD_DIR SOURCE_DIR VERSION [PACKAGE.deb]
# With PACKAGE.deb the given package is checked instead of one packed from
# BUILD_DIR. Exit 77 (skipped) when dpkg-deb is missing.
set -uo pipefail
build=$1 source=$2 version=$3 given_deb=${4:-}
export LC_ALL=C.UTF-8

if ! command -v dpkg-deb >/dev/null; then
  echo "SKIP: dpkg-deb is not installed (package dpkg)"
  exit 77
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; }
have() { command -v "$1" >/dev/null; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

gui=${TESSARIL_GUI_BUILT:-1}
app=org.tessaril.Tessaril
expected=(
  usr/bin/tessaril-cli
  usr/share/man/man1/tessaril-cli.1.gz
  usr/share/doc/tessaril/copyright
  usr/share/doc/tessaril/changelog.gz
)
if [ "$gui" = 1 ]; then
  expected+=(
    usr/bin/tessaril
    usr/share/man/man1/tessaril.1.gz
    usr/share/applications/$app.desktop
    usr/share/metainfo/$app.metainfo.xml
    usr/share/mime/packages/tessaril.xml
    usr/share/lintian/overrides/tessaril
    usr/share/icons/hicolor/scalable/apps/$app.svg
  )
  for size in ${TESSARIL_ICON_SIZES-16 22 24 32 48 64 128 256}; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
  done
  for ts in "$source"/translations/*.ts; do
    [ -e "$ts" ] && expected+=("usr/share/tessaril/translations/$(basename "${ts%.ts}").qm")
  done
  for page in "$source"/src/ui/help/*; do
    expected+=("usr/share/tessaril/help/$(basename "$page")")
  done
fi

# --- the install tree ---
root=$work/root
if ! DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install"
fi
for file in "${expected[@]}"; do
  [ -s "$root/$file" ] || fail "not installed: /$file"
done
[ -x "$root/usr/bin/tessaril-cli" ] || fail "tessaril-cli is not executable"
"$root/usr/bin/tessaril-cli" --version | grep -qF "$version" || fail "installed tessaril-cli does not report $version"

# Manual pages render without a warning.
if have groff; then
  for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
else
  skip "groff is not installed (package groff-base): manual pages not checked"
fi

if [ "$gui" = 1 ]; then
  desktop=$root/usr/share/applications/$app.desktop
  if have desktop-file-validate; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate $app.desktop"
  else
    skip "desktop-file-validate is not installed (package desktop-file-utils)"
  fi
  grep -qx 'Exec=tessaril %f' "$desktop" || fail "the launcher does not pass the opened file"
  grep -qx 'MimeType=application/x-tessaril-task;' "$desktop" || fail "the launcher does not open task files"
  grep -qx "Icon=$app" "$desktop" || fail "the launcher names another icon"

  if have appstreamcli; then
    appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$app.metainfo.xml" ||
      fail "appstreamcli validate $app.metainfo.xml"
    grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/$app.metainfo.xml" ||
      fail "the metainfo does not list release $version"
  else
    skip "appstreamcli is not installed (package appstream)"
  fi

  if have update-mime-database; then
    mkdir -p "$work/mime/packages"
    cp "$root/usr/share/mime/packages/tessaril.xml" "$work/mime/packages/"
    update-mime-database "$work/mime" || fail "update-mime-database rejects tessaril.xml"
    grep -qx 'application/x-tessaril-task:\*.tsj' "$work/mime/globs" || fail "*.tsj is not application/x-tessaril-task"
  else
    skip "update-mime-database is not installed (package shared-mime-info)"
  fi

  if have file; then
    for size in ${TESSARIL_ICON_SIZES-16 22 24 32 48 64 128 256}; do
      png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png
      [ -e "$png" ] && ! file -b "$png" | grep -q "PNG image data, $size x $size" &&
        fail "$(file -b "$png") in ${size}x${size}"
    done
  else
    skip "file is not installed: icon sizes not checked"
  fi
fi

# --- the package ---
deb=$given_deb
if [ -z "$deb" ]; then
  if cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
    deb=$(ls "$work"/deb/tessaril_*.deb 2>/dev/null | head -n 1)
  else
    cat "$work/cpack.log"
  fi
  [ -n "$deb" ] || fail "cpack made no package"
fi
if [ -n "$deb" ]; then
  info=$(dpkg-deb --info "$deb")
  echo "$info" | sed -n '/^ [A-Z]/p'
  field() { echo "$info" | sed -n "s/^ $1: //p"; }
  [ "$(field Package)" = tessaril ] || fail "package name: $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "package version: $(field Version)"
  [ "$(field Section)" = utils ] || fail "package section: $(field Section)"
  [ -n "$(field Maintainer)" ] || fail "no maintainer"
  # Dependencies found by dpkg-shlibdeps, and libgphoto2, which is loaded on
  # first use and so declared by hand.
  for library in libqt6core6 libmtp9 libgphoto2-6 libudev1 libc6; do
    field Depends | grep -q "$library" || fail "Depends lacks $library"
  done
  [ "$gui" = 1 ] && { field Depends | grep -q libqt6widgets6 || fail "Depends lacks libqt6widgets6"; }

  dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/contents"
  for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/contents" || fail "not in the package: /$file"
  done

  if have lintian; then
    # Errors fail the test; warnings and notes are shown for the reader.
    lintian --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
    cat "$work/lintian.log"
    grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"
  else
    skip "lintian is not installed: package not linted"
  fi

  # Installed and removed again in an empty root: the package's files land
  # where the listing says and nothing stays behind.
  fresh=$work/fresh
  mkdir -p "$fresh/var/lib/dpkg/updates" "$fresh/var/lib/dpkg/info" "$fresh/var/log"
  touch "$fresh/var/lib/dpkg/status"
  dpkg_root=(dpkg --root="$fresh" --force-not-root --force-depends --force-script-chrootless --no-triggers)
  if "${dpkg_root[@]}" -i "$deb" >"$work/dpkg.log" 2>&1; then
    [ -x "$fresh/usr/bin/tessaril-cli" ] || fail "dpkg --root: tessaril-cli not installed"
    "${dpkg_root[@]}" -r tessaril >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --root -r"; }
    left=$(find "$fresh/usr" -type f 2>/dev/null)
    [ -z "$left" ] || fail "left after removal: $left"
  else
    cat "$work/dpkg.log"
    fail "dpkg --root -i"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed"
