#!/usr/bin/env bash
# Runs every fuzz target of a fuzz-preset build for a bounded time, starting from the generated
# seeds and the saved findings; stops at the first finding (libFuzzer exits non-zero).
# Usage: fuzz/run_fuzzers.sh [SECONDS_PER_TARGET] [BUILD_DIR]
set -euo pipefail
seconds=${1:-25}
build=${2:-build/fuzz}
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for binary in "$build"/fuzz/qrvx_fuzz_*; do
    target=${binary##*/qrvx_fuzz_}
    corpus="$work/$target"
    mkdir -p "$corpus" "$work/artifacts"
    cp -r "$build/fuzz/seeds/$target/." "$corpus/"
    if [ -d "$source_dir/regressions/$target" ]; then
        cp -r "$source_dir/regressions/$target/." "$corpus/"
    fi
    # A PNG declares its size in a few bytes: reading one may cost memory only as its data
    # arrives, so a buffer sized by the header alone breaks these limits.
    limits=()
    if [ "$target" = encode ]; then
        limits=(-rss_limit_mb=1024 -malloc_limit_mb=256)
    fi
    # A zip archive declares its sizes too, and inflates far beyond its own: the feed target reads
    # at most 64 MiB of it, a line at a time.
    if [ "$target" = feed ]; then
        limits=(-rss_limit_mb=512 -malloc_limit_mb=128)
    fi
    echo "== $target: ${seconds}s"
    status=0
    "$binary" -max_total_time="$seconds" -dict="$source_dir/qrvx.dict" -print_final_stats=1 \
        "${limits[@]}" \
        -artifact_prefix="$work/artifacts/$target-" "$corpus" >"$work/$target.log" 2>&1 ||
        status=$?
    grep -E '^(stat::number_of_executed_runs|Done)|invariant|ERROR|SUMMARY' "$work/$target.log" ||
        true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$work/$target.log" >&2
        echo "fuzz target $target found a failure; inputs:" >&2
        ls "$work/artifacts" >&2
        cp "$work"/artifacts/* "${QRVX_FUZZ_ARTIFACTS:-/tmp}/" 2>/dev/null || true
        exit "$status"
    fi
done
echo "all fuzz targets ran clean"
