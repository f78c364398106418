#!/usr/bin/env bash
# Builds the Debian package from a release build (without tests, benchmarks
# or sanitizers) with Debian's hardening flags, and checks it as the
# packaging test does. The package lands in the build folder.
#   scripts/package.sh [--build-dir DIR]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$top/build-release"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift ;;
    *) echo "package.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

"$top/scripts/setup.sh" --deps-only
# CMake reads CFLAGS, CXXFLAGS and LDFLAGS on the first configure only;
# CPPFLAGS (fortify) goes with the compiler flags.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"

generator=()
[ -f "$build_dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$top" -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARIL_TESTS=OFF -DTESSARIL_BENCH=OFF -DTESSARIL_SANITIZE=OFF
cmake --build "$build_dir" -j "$(nproc)"
rm -f "$build_dir"/tessaril_*.deb
(cd "$build_dir" && cpack -G DEB)

deb=$(ls "$build_dir"/tessaril_*.deb)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
"$top/packaging/check-package.sh" "$build_dir" "$top" "$version" "$deb"
echo "Package: $deb"
