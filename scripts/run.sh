#!/usr/bin/env bash
# The main job: what the README's run command does after the build.
set -euo pipefail
build_dir=${1:-build/release}
echo "Tambrix is built in $build_dir."
for t in "$build_dir"/tools/tambrix-cli; do
  [ -x "$t" ] && "$t" --help || true
done
