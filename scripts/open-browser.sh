#!/usr/bin/env bash
# Opens the browser on a folder, for that run only (the saved game folder is kept):
#   scripts/open-browser.sh <build dir> <folder>
# Exits with 3, saying so, when there is no display to open it on; the caller can then
# do its work without the window (or run this under xvfb-run).
set -euo pipefail
build_dir=${1:?usage: open-browser.sh <build dir> <folder>}
folder=${2:?usage: open-browser.sh <build dir> <folder>}
exe="$build_dir/src/app/tambrix"
if [ ! -x "$exe" ]; then
  echo "open-browser: $exe is not built (configure with -DTAMBRIX_BUILD_APP=ON)" >&2
  exit 2
fi
if [ ! -d "$folder" ]; then
  echo "open-browser: $folder is not a folder" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "open-browser: no display to open the browser on (try: xvfb-run -a $0 $build_dir $folder)"
  exit 3
fi
exec "$exe" "$folder"
