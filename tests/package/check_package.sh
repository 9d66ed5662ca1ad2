#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, then builds and runs a consumer of the installed
# package through find_package and through pkg-config. Then the same for a static libqrvx, built
# inside a host project that takes qrvx with add_subdirectory and has no CLI11, nlohmann-json or
# GoogleTest.
# Usage: check_package.sh BUILD_DIR SOURCE_DIR NM [C_FLAGS]
# C_FLAGS are the build's own (a sanitizer build needs its runtime in the consumer too).
set -euo pipefail
build=$1
source=$2
nm=$3
flags=${4:-}
consumer=$source/tests/package/consumer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
flag_args=(-DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags")

# consume PREFIX [--static]: the consumer against the package installed in PREFIX.
consume() {
    local prefix=$1 static=${2:-}
    cmake -S "$consumer" -B "$prefix-consumer" -DCMAKE_PREFIX_PATH="$prefix" "${flag_args[@]}" \
        >/dev/null
    cmake --build "$prefix-consumer" >/dev/null
    "$prefix-consumer/consumer"
    "$prefix-consumer/consumer_cpp"

    local libdir
    libdir=$(dirname "$(dirname "$(find "$prefix" -name qrvx.pc)")")
    # shellcheck disable=SC2046,SC2086
    ${CC:-cc} $flags -std=c11 -Wall -Werror "$consumer/consumer.c" -o "$prefix-pkg-consumer" \
        $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config $static --cflags --libs qrvx \
            qrvx_host_trace) -Wl,-rpath,"$libdir"
    "$prefix-pkg-consumer"
}

cmake --install "$build" --prefix "$work/installed" >/dev/null
if grep -q '^QRVX_BUILD_TOOLS:BOOL=ON' "$build/CMakeCache.txt"; then
    # The installed tool finds the installed library by itself.
    "$work/installed/bin/qrvx" --version >/dev/null
fi
static=
if grep -q '^BUILD_SHARED_LIBS:BOOL=OFF' "$build/CMakeCache.txt"; then
    static=--static
fi
consume "$work/installed" $static

host=$work/host
cmake --no-warn-unused-cli -S "$consumer" -B "$host" -DQRVX_SOURCE_DIR="$source" -DBUILD_SHARED_LIBS=OFF \
    -DQRVX_BUILD_HOST_TRACE=ON -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    "${flag_args[@]}" >/dev/null
cmake --build "$host" --parallel 2 >/dev/null
"$host/consumer"
"$host/consumer_cpp"
cmake -DNM="$nm" -DLIBRARY="$host/qrvx/src/libqrvx.a" -DEXPORT_MAP="$source/cmake/qrvx.map" \
    -P "$source/tests/check_exports.cmake"
cmake --install "$host" --prefix "$work/static" >/dev/null
consume "$work/static" --static
