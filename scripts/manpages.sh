#!/usr/bin/env bash
# The manual pages in dist/man are made by help2man from the programs' own --help and
# --version. Usage: scripts/manpages.sh update|check BUILD_DIR
#   update  writes dist/man/tambrix.1 and dist/man/tambrix-cli.1 again;
#   check   fails (exit 1) when a page differs from what --help makes of it now, saying
#           how, so that a changed --help cannot leave its page behind.
# The page's date line (help2man stamps the month) is left out of the comparison.
set -euo pipefail
mode=${1:?usage: $0 update|check BUILD_DIR}
build=${2:?usage: $0 update|check BUILD_DIR}
top=$(cd "$(dirname "$0")/.." && pwd)
case $mode in update|check) ;; *) echo "$0: unknown mode '$mode'" >&2; exit 2;; esac
if ! command -v help2man >/dev/null; then
  echo "$0: help2man is missing (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
# The programs start no window for --help and --version; a sanitized build must not
# report Qt's memory kept until exit.
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
make_page() {  # NAME PROGRAM SUMMARY
  local name=$1 program=$2 summary=$3
  if [ ! -x "$program" ]; then
    echo "$0: $program was not built" >&2
    exit 2
  fi
  help2man --no-info --section=1 --name="$summary" --include="$top/dist/man/$name.h2m" \
    --output="$scratch/$name.1" "$program"
  if [ "$mode" = update ]; then
    cp "$scratch/$name.1" "$top/dist/man/$name.1"
    echo "wrote dist/man/$name.1"
  elif ! diff -u --label "dist/man/$name.1" --label "from $name --help" \
      <(grep -v '^\.TH ' "$top/dist/man/$name.1") <(grep -v '^\.TH ' "$scratch/$name.1"); then
    echo "dist/man/$name.1 differs from $name --help: run scripts/manpages.sh update $build" >&2
    status=1
  fi
}
make_page tambrix "$build/src/app/tambrix" "browser for the data files of The Sims"
make_page tambrix-cli "$build/tools/tambrix-cli" "list, render and extract the data files of The Sims"
exit $status
