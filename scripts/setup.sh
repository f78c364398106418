#!/usr/bin/env bash
# Installs the Debian packages Tessaril needs (only those missing), then
# configures and builds.
#   scripts/setup.sh [--sanitize] [--build-dir DIR] [--no-gui] [--deps-only] [-DNAME=VALUE...]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$top/build"
cmake_args=()
deps_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) cmake_args+=(-DTESSARIL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug); build_dir="$top/build-asan" ;;
    --build-dir) build_dir="$2"; shift ;;
    --no-gui) cmake_args+=(-DTESSARIL_GUI=OFF) ;;
    --deps-only) deps_only=1 ;;
    -D*) cmake_args+=("$1") ;;
    *) echo "setup.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  libgl-dev libmtp-dev libgphoto2-dev libudev-dev libpcre2-dev zlib1g-dev libzip-dev libgtest-dev
  tzdata locales gzip zip unzip p7zip-full python3 xvfb xauth fonts-dejavu-core
  dpkg-dev file librsvg2-bin desktop-file-utils appstream shared-mime-info groff-base lintian dosfstools
  clang-tidy clang-format clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ "$deps_only" -eq 1 ] && exit 0

generator=()
[ -f "$build_dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$top" -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} "${cmake_args[@]}"
cmake --build "$build_dir" -j "$(nproc)"
