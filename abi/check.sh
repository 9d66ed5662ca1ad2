#!/usr/bin/env bash
# Fails when libqrvx.so's C interface differs in any way from the one hosts were built against: its
# exported functions with their parameters and results and every record they reach, field by field
# (abi/libqrvx.abi), and the records as a C compiler lays them out (abi/record_layout.txt).
#   abi/check.sh            build the library (preset abi) and compare it with the baseline
#   abi/check.sh --update   make the library's current interface the baseline, on purpose
set -euo pipefail
cd "$(dirname "$0")/.."

update=0
case ${1:-} in
"") ;;
--update) update=1 ;;
*)
    echo "usage: abi/check.sh [--update]" >&2
    exit 2
    ;;
esac
for tool in abidw abidiff; do
    if ! command -v $tool >/dev/null; then
        echo "abi: $tool is missing: apt-get install abigail-tools" >&2
        exit 2
    fi
done

build=build/abi
cmake --preset abi >/dev/null
cmake --build --preset abi
interface=$build/libqrvx.abi
layout=$build/record_layout.txt
# The checkout's path as the compiler recorded it.
root=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")

# Only the exported functions and the types they reach: a description that also holds the C++
# inside, which plain abidw gives, abidiff 2.2 compared as equal to anything, a grown record too.
# No source lines and no build paths, so that a comment or another checkout changes nothing.
abidw --headers-dir "$root/include" --exported-interfaces-only --drop-private-types \
    --drop-undefined-syms --no-elf-needed --no-corpus-path --no-comp-dir-path --no-show-locs \
    --type-id-style hash --out-file "$interface" "$build/src/libqrvx.so"
sed -i "s|path='$root/|path='|" "$interface"
"$build/abi/qrvx_record_layout" >"$layout"

# Without debug information abidw sees names only, and every signature would compare equal.
symbols=$(grep -c '<elf-symbol ' "$interface" || true)
functions=$(grep -c '<function-decl ' "$interface" || true)
if [ "$symbols" != "$functions" ]; then
    echo "abi: only $functions of the $symbols exported functions are described; is $build" \
        "built with -g?" >&2
    exit 1
fi
fields=$(grep -c '<data-member ' "$interface" || true)
architecture() { grep -o -m1 "architecture='[^']*'" "$1" | cut -d"'" -f2; }
if [ "$(architecture abi/libqrvx.abi)" != "$(architecture "$interface")" ]; then
    echo "abi: the baseline describes $(architecture abi/libqrvx.abi), this build" \
        "$(architecture "$interface"): check on the baseline's machine" >&2
    exit 1
fi

if ((update)); then
    listed=$(grep -c '\.' "$layout" || true)
    if [ "$fields" != "$listed" ]; then
        echo "abi: the records of qrvx.h have $fields fields, abi/record_layout.c lists $listed:" \
            "list every field there" >&2
        exit 1
    fi
    cp "$interface" abi/libqrvx.abi
    cp "$layout" abi/record_layout.txt
    echo "abi: the baseline is now the interface of this build ($functions functions," \
        "$fields fields); commit abi/ with the change that made it"
    exit 0
fi

# Description against description: against the library itself, or with --headers-dir here, every
# record of the location-free baseline counts as private and its changes are filtered out.
# abidiff's status is a bit set: 1 error, 2 usage, 4 any change, 8 an incompatible one. A field
# added at the end of a record sets only 4, so every bit fails. Default suppression files would
# hide changes, and --harmless also reports what libabigail deems compatible: the header is pinned.
failed=0
status=0
abidiff --no-default-suppression --harmless abi/libqrvx.abi "$interface" || status=$?
if ((status & 3)); then
    echo "abi: abidiff could not compare the interfaces (status $status)" >&2
    exit 1
fi
((status == 0)) || failed=1
diff -u --label "record layout of abi/record_layout.txt" --label "record layout now" \
    abi/record_layout.txt "$layout" || failed=1
if ((failed)); then
    echo "abi: libqrvx.so's interface differs from its baseline (above). If the change is" \
        "deliberate: ./run abi --update, and commit abi/ with it" >&2
    exit 1
fi
echo "abi: libqrvx.so has the interface of its baseline ($functions functions, $fields fields)"
