#!/usr/bin/env bash
# The main job: what the README's run command does after the build. Writes the demo
# game folder once (demo/), then opens the browser on it when one is built and a display
# is at hand; otherwise shows it with tambrix-cli: what the object view would show for
# each file, and the previews as pictures in build/previews.
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
mkdir -p "$previews"
# --no-write: the demo folder stays as written (the browser itself completes an
# incomplete catalog table on first view).
# Every file of the folder, and after each archive (.far) the entries it holds, as
# paths through the archive ("Objects.far/Chairs/ChairKitchen.iff"): the browser shows
# an archive as a folder, and tambrix-cli opens such paths directly.
list_files() {
  find "$demo" -type f | LC_ALL=C sort | while IFS= read -r file; do
    printf '%s\n' "$file"
    case "$file" in
      *.[fF][aA][rR])
        # One usable, uncompressed entry per line; '\' (written "\\" in JSON) becomes '/'.
        "$cli" far ls "$file" --json 2>/dev/null | grep -o '{"name": "[^"]*", [^}]*}' |
          grep '"compressed": false, "usable": true' | sed 's/^{"name": "\([^"]*\)".*/\1/; s/\\\\/\//g' |
          while IFS= read -r entry; do printf '%s/%s\n' "$file" "$entry"; done || true
        ;;
    esac
  done
}

list_files | while IFS= read -r file; do
  rel=${file#"$demo"/}
  name=$(printf '%s' "$rel" | tr '/' '_')
  name=${name%.*}
  ext=$(printf '%s' "${file##*.}" | tr 'A-Z' 'a-z')
  case "$ext" in
    iff|spf|wll|flr|bmp|far) ;;
    *) continue ;;  # not a file the browser lists
  esac
  echo
  if [ "$ext" = far ]; then
    echo "== $rel (archive: the browser shows it as a folder; its entries follow)"
    "$cli" far ls "$file" | sed 's/^/   /' || true
    continue
  fi
  echo "== $rel"
  "$cli" info "$file" --no-write | sed 's/^/   /' || true
  case "$ext" in
    iff)
      # The view the browser shows (10), and a turn at each zoom.
      for view in 10 0 5 11; do
        "$cli" render "$file" --view "$view" --no-write -o "$previews/$name-view$view.png" 2>/dev/null && \
          echo "   preview: $previews/$name-view$view.png" || true
      done
      # A file without objects shows its first sprite instead.
      json=$("$cli" info "$file" --json --no-write || true)
      if printf '%s' "$json" | grep -q '"objects": \[\]'; then
        id=$(printf '%s' "$json" | sed -n 's/.*"sprites": \[{"type": "[^"]*", "id": \(-\{0,1\}[0-9]*\).*/\1/p')
        if [ -n "$id" ]; then
          "$cli" sprite "$file" --id "$id" --no-write -o "$previews/$name-sprite$id.png" && \
            echo "   picture: $previews/$name-sprite$id.png" || true
        fi
      fi
      ;;
    wll|flr)
      for id in $("$cli" info "$file" --json --no-write | grep -o '"type": "SPR[^"]*", "id": -\{0,1\}[0-9]*' | grep -o '[-0-9]*$'); do
        frame=0
        while "$cli" sprite "$file" --id "$id" --frame "$frame" --no-write -o "$previews/$name-sprite$id-frame$frame.png" 2>/dev/null; do
          echo "   picture: $previews/$name-sprite$id-frame$frame.png"
          frame=$((frame + 1))
        done
      done
      ;;
    bmp)
      # (a bitmap inside an archive is not copied out)
      if cp "$file" "$previews/$name.bmp" 2>/dev/null; then echo "   picture: $previews/$name.bmp"; fi
      ;;
  esac
done
echo
echo "Previews written to $previews/"
