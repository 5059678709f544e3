#!/usr/bin/env bash
# The main job: what the README's run command does after the build. Writes the demo
# game folder once (demo/), then opens the browser on it when one is built and a display
# is at hand; otherwise shows it with tambrix-cli: what the object view would show for
# each file, and the pictures it shows in build/previews.
set -euo pipefail
build_dir=${1:-build/release}
cli="$build_dir/tools/tambrix-cli"
app="$build_dir/src/app/tambrix"
demo=demo
previews=build/previews

if [ ! -x "$cli" ]; then
  echo "tambrix-cli is missing from $build_dir: build first (make build)." >&2
  exit 1
fi

if [ ! -d "$demo" ] || [ -z "$(ls -A "$demo" 2>/dev/null)" ]; then
  echo "Writing the demo game folder to $demo/ (once; delete it to write it again) ..."
  "$cli" demo "$demo" >/dev/null
fi

if [ -x "$app" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening the browser on $demo/ ..."
    exec "$app" "$(cd "$demo" && pwd)"
  fi
  echo "No display, so the browser cannot open (xvfb-run make run gives it one); showing $demo/ with tambrix-cli instead."
else
  echo "The browser is not in this build; showing $demo/ with tambrix-cli."
fi

rm -rf "$previews"
# Every file the browser lists, archives shown as folders of their entries: what the
# object view shows of each, and the pictures it shows written into $previews. show
# opens every file read-only, so the demo folder stays as written (the browser itself
# completes an incomplete catalog table on first view).
"$cli" show "$demo" --pictures "$previews"
echo
echo "Previews written to $previews/"
