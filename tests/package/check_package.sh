#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, then builds and runs a consumer of the
# installed package through find_package and through pkg-config.
# Usage: check_package.sh BUILD_DIR CONSUMER_SOURCE_DIR [C_FLAGS]
# C_FLAGS are the build's own (a sanitizer build needs its runtime in the consumer too).
set -euo pipefail
build=$1
consumer=$2
flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
# The installed tool finds the installed library by itself.
"$work/prefix/bin/qrvx" --version >/dev/null

cmake -S "$consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/consumer"
"$work/cmake-build/consumer_cpp"

libdir=$(dirname "$(find "$work/prefix" -name 'libqrvx.so' | head -n 1)")
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
cc $flags -std=c11 -Wall -Werror "$consumer/consumer.c" -o "$work/pkg-consumer" \
    $(pkg-config --cflags --libs qrvx qrvx_host_trace) -Wl,-rpath,"$libdir"
"$work/pkg-consumer"
