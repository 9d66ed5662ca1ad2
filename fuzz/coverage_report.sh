#!/usr/bin/env bash
# Replays fuzz corpora through a coverage build and reports the lines and regions of src/ that
# they reach, per target and merged.
# Usage: fuzz/coverage_report.sh CORPUS_ROOT [BUILD_DIR]
#   CORPUS_ROOT holds one folder per target (sections, parse, ...), as libFuzzer left them.
#   BUILD_DIR is a build of the coverage preset (default build/coverage).
set -euo pipefail
corpora=$1
build=${2:-build/coverage}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
cov=$(command -v llvm-cov-14 || command -v llvm-cov)

objects=()
for target_dir in "$corpora"/*/; do
    target=$(basename "$target_dir")
    binary="$build/fuzz/qrvx_fuzz_$target"
    [ -x "$binary" ] || continue
    LLVM_PROFILE_FILE="$work/$target-%p.profraw" "$binary" "$target_dir" >/dev/null 2>&1
    "$profdata" merge -sparse "$work/$target"-*.profraw -o "$work/$target.profdata"
    echo "== $target"
    "$cov" report "$binary" -instr-profile="$work/$target.profdata" "$source_dir/src" |
        tail -n 1
    objects+=(-object "$binary")
done
"$profdata" merge -sparse "$work"/*.profdata -o "$work/all.profdata"
echo "== all targets, by file"
"$cov" report "${objects[@]:1}" -instr-profile="$work/all.profdata" "$source_dir/src"
