#!/usr/bin/env bash
# Installs with apt-get whatever the build needs and this machine lacks.
# Usage: scripts/install-deps.sh [--fuzz | --package | --windows] [extra packages...]
# --fuzz adds clang and its libFuzzer runtime, which only the fuzz targets need;
# --package adds what builds and checks the Debian package (dpkg-shlibdeps, lintian,
# the desktop-entry and AppStream validators);
# --windows adds the MinGW-w64 cross compiler, its zlib, GoogleTest's source and Wine.
set -euo pipefail
extra=()
for a in "$@"; do
  case $a in
    --fuzz) extra+=(clang libclang-rt-dev) ;;
    --package) extra+=(dpkg-dev lintian desktop-file-utils appstream shared-mime-info file) ;;
    --windows) extra+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64) ;;
    *) extra+=("$a") ;;
  esac
done
packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libstb-dev libimagequant-dev libsqlite3-dev qt6-base-dev qt6-svg-dev help2man "${extra[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
