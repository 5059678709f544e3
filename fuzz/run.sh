#!/usr/bin/env bash
# Runs fuzz targets one after another, never two at once, each for a given time.
# Usage: fuzz/run.sh BUILD_DIR [TARGET|all] [SECONDS]
# The corpus grows in BUILD_DIR/corpus/TARGET, findings land in BUILD_DIR/findings/TARGET
# and the log in BUILD_DIR/logs/TARGET.log. A finding does not stop the run: the target
# runs in a child process that is restarted, so every finding of the time is kept.
# A single allocation over 1 GB, memory over 2 GB or an input taking over 10 s is a finding.
# TAMBRIX_FUZZ_IGNORE=growth (or untouched, missing) lets the write targets look past a
# known fault whose mend is pending.
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [TARGET|all] [SECONDS]}
which=${2:-all}
seconds=${3:-120}
here=$(cd "$(dirname "$0")" && pwd)
read -r -a all <<<"$(sed -n 's/^set(TAMBRIX_FUZZ_TARGETS \(.*\))$/\1/p' "$here/Targets.cmake")"
if [ "$which" = all ]; then targets=("${all[@]}"); else targets=("$which"); fi

for t in "${targets[@]}"; do
    case $t in
        far) dict=far ;;
        folder_list) dict=folder_list ;;
        library_folders) dict=library_folders ;;
        png) dict=png ;;
        *) dict=iff ;;
    esac
    mkdir -p "$build/corpus/$t" "$build/findings/$t" "$build/logs" "$build/seeds/$t"
    echo "== $t for ${seconds}s"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$build/fuzz_$t" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
        -dict="$here/dict/$dict.dict" -artifact_prefix="$build/findings/$t/" -print_final_stats=1 \
        "$build/corpus/$t" "$build/seeds/$t" >"$build/logs/$t.log" 2>&1 || true
    # Scratch folders of target processes that ended in a finding.
    for d in /dev/shm/tambrix-fuzz-* "${TMPDIR:-/tmp}"/tambrix-fuzz-*; do
        if [ -d "$d" ] && ! kill -0 "${d##*-}" 2>/dev/null; then rm -rf "$d"; fi
    done
    grep -E '^#[0-9]+: cov' "$build/logs/$t.log" | tail -1 || true
    echo "findings: $(find "$build/findings/$t" -type f | wc -l) (in $build/findings/$t)"
done
