#!/usr/bin/env bash
# tambrix-cli.exe under Wine, on a demo folder the Windows build writes itself, named by
# Windows paths (a drive letter, backslashes, C:/ with slashes, the Z: drive Wine maps to
# /) and non-ASCII names; every answer and picture must equal what this host's tambrix-cli
# gives for the same files, byte for byte.
# Usage: cli-under-wine.sh WINE TAMBRIX-CLI.EXE HOST-TAMBRIX-CLI WORKDIR
# Exits 77 (a skip) when the host's tool is not built.
set -u
wine=$1 exe=$2 host=$3 work=$4
if [ ! -x "$host" ]; then
  echo "SKIPPED: the host's tambrix-cli ($host) is not built; make test builds it before the Windows programs"
  exit 77
fi
export WINEDEBUG=-all LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
: "${WINEPREFIX:?the Windows tests run in a prefix of their own}"
export WINEPREFIX

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
win() { "$wine" "$exe" "$@" 2>"$work/err" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# The Windows tool's words for a path are the host tool's with the folder written the other way.
same() {  # what, windows-output, host-output
  if [ "$2" != "$3" ]; then fail "$1 differs"; diff <(echo "$2") <(echo "$3") | head -20; fi
}

rm -rf "$work" "$WINEPREFIX/drive_c/tambrix-wine"
mkdir -p "$work/host"
C='C:\tambrix-wine'
root="$WINEPREFIX/drive_c/tambrix-wine"   # C:\tambrix-wine as Wine maps it
demo='démo'                                # a folder name outside ASCII

# The help names what this build leaves out.
help=$(win --help) || fail "--help exit $?"
grep -q "find, below, is not in this build" <<<"$help" || fail "--help does not say find is left out"
grep -q "PNG output is not in this build" <<<"$help" || fail "--help does not say PNG output is left out"

# The demo folder written by each tool: the same files, byte for byte.
win demo "$C\\$demo" >/dev/null || fail "demo exit $?: $(cat "$work/err")"
"$host" demo "$work/host/demo" >/dev/null || fail "host demo"
diff -r "$root/$demo" "$work/host/demo" >/dev/null || fail "the demo folders differ"

objects="$root/$demo/GameData/Objects"
cp "$objects/ChairDining.iff" "$objects/Chaise-à-dîner.iff"  # a file name outside ASCII
cp "$objects/ChairDining.iff" "$work/host/demo/GameData/Objects/Chaise-à-dîner.iff"

# Listings and what the object view shows, by drive letter and backslashes, with slashes, by Z:.
unix_objects=$(echo "$objects" | tr '/' '\\')
for file in ChairDining.iff Lighting/LampFloor.iff Chaise-à-dîner.iff Objects.far/Chairs/ChairKitchen.iff; do
  back=$(echo "$file" | tr '/' '\\')
  for name in "$C\\$demo\\GameData\\Objects\\$back" "C:/tambrix-wine/$demo/GameData/Objects/$file" \
              "Z:$unix_objects\\$back"; do
    for command in ls "info --no-write"; do
      # shellcheck disable=SC2086
      out=$(win $command "$name") || fail "$command $name exit $?: $(cat "$work/err")"
      # shellcheck disable=SC2086
      same "$command $name" "$out" "$("$host" $command "$work/host/demo/GameData/Objects/$file")"
    done
  done
done

# Pictures: the previews the Windows tool writes equal the host tool's.
mkdir -p "$root/bilder" "$work/host/pictures"
n=0
for args in "ChairDining.iff" "Chaise-à-dîner.iff --view 3" "Lighting/LampFloor.iff --background 336699" \
            "Objects.far/Chairs/ChairKitchen.iff --view 0" "Plants.iff --view 7"; do
  set -- $args
  file=$1; shift
  n=$((n + 1))
  back=$(echo "$file" | tr '/' '\\')
  win render "$C\\$demo\\GameData\\Objects\\$back" "$@" -o "$C\\bilder\\vue-$n-é.bmp" >/dev/null ||
    fail "render $file $* exit $?: $(cat "$work/err")"
  "$host" render "$work/host/demo/GameData/Objects/$file" "$@" -o "$work/host/pictures/vue-$n-é.bmp" >/dev/null ||
    fail "host render $file $*"
  cmp -s "$root/bilder/vue-$n-é.bmp" "$work/host/pictures/vue-$n-é.bmp" || fail "render $file $*: the pictures differ"
done

# The archive: its listing, and every entry extracted into a folder named outside ASCII.
out=$(win far ls "$C\\$demo\\GameData\\Objects\\Objects.far") || fail "far ls exit $?"
same "far ls" "$out" "$("$host" far ls "$work/host/demo/GameData/Objects/Objects.far")"
win far extract "Z:$unix_objects\\Objects.far" -o "$C\\extrait-ü" >/dev/null || fail "far extract exit $?: $(cat "$work/err")"
"$host" far extract "$work/host/demo/GameData/Objects/Objects.far" -o "$work/host/extracted" >/dev/null ||
  fail "host far extract"
diff -r "$root/extrait-ü" "$work/host/extracted" >/dev/null || fail "the extracted entries differ"

# What this build leaves out is said, with exit 2.
win render "$C\\$demo\\GameData\\Objects\\ChairDining.iff" -o "$C\\x.png" >/dev/null
code=$?
[ $code -eq 2 ] && grep -q "PNG output is not in this build" "$work/err" || fail "-o x.png: exit $code, $(cat "$work/err")"
[ ! -e "$root/x.png" ] || fail "-o x.png wrote a file"
win find "$C\\$demo" chair >/dev/null
code=$?
[ $code -eq 2 ] && grep -q "find is not in this build" "$work/err" || fail "find: exit $code, $(cat "$work/err")"

if [ $failures -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "tambrix-cli.exe under Wine: every check passed"
