#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, then builds and runs consumers of the installed
# package through find_package and through pkg-config (libqrvx_batch too, when it was built).
# Then the same for a static libqrvx, built inside a C host project (no C++ enabled) that takes
# qrvx with add_subdirectory and has no CLI11, nlohmann-json or GoogleTest; installed, it serves C hosts through find_package and
# pkg-config --static too. No program linked with the static library needs libqrvx.so.
# Usage: check_package.sh BUILD_DIR SOURCE_DIR NM READELF [C_FLAGS]
# C_FLAGS are the build's own (a sanitizer build needs its runtime in the consumer too).
set -euo pipefail
build=$1
source=$2
nm=$3
readelf=$4
flags=${5:-}
consumer=$source/tests/package/consumer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
flag_args=(-DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags")

# run PROGRAM [--static]: runs PROGRAM, which must not need libqrvx.so when linked statically.
run() {
    "$1"
    if [ "${2:-}" ] && "$readelf" -d "$1" | grep -q 'libqrvx\.so'; then
        echo "$1 needs libqrvx.so" >&2
        return 1
    fi
}

# build_consumer DIR STATIC CMAKE_ARG...: builds the consumer project in DIR, runs its programs.
build_consumer() {
    local dir=$1 static=$2 program
    shift 2
    cmake --no-warn-unused-cli -S "$consumer" -B "$dir" "${flag_args[@]}" "$@" >/dev/null
    cmake --build "$dir" --parallel 2 >/dev/null
    for program in consumer c_host consumer_cpp consumer_batch; do
        if [ -e "$dir/$program" ]; then
            run "$dir/$program" "$static"
        fi
    done
}

# consume PREFIX [--static]: the consumers against the package installed in PREFIX.
consume() {
    local prefix=$1 static=${2:-} libdir
    build_consumer "$prefix-consumer" "$static" -DCMAKE_PREFIX_PATH="$prefix"
    if [ "$static" ]; then
        build_consumer "$prefix-c-consumer" "$static" -DCMAKE_PREFIX_PATH="$prefix" \
            -DCONSUMER_CXX=OFF
    fi

    libdir=$(dirname "$(dirname "$(find "$prefix" -name qrvx.pc)")")
    local pkg_config=(env PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config ${static:+"$static"}
        --cflags --libs)
    # shellcheck disable=SC2206 # CC and the flags are lists of words
    local cc=(${CC:-cc} $flags -std=c11 -Wall -Werror "-Wl,-rpath,$libdir")
    # shellcheck disable=SC2046
    "${cc[@]}" "$consumer/consumer.c" -o "$prefix-pkg-consumer" \
        $("${pkg_config[@]}" qrvx qrvx_host_trace)
    # shellcheck disable=SC2046
    "${cc[@]}" "$source/tests/c_api/host_program.c" -o "$prefix-pkg-c-host" \
        $("${pkg_config[@]}" qrvx)
    run "$prefix-pkg-consumer" "$static"
    run "$prefix-pkg-c-host" "$static"
    if [ -e "$libdir/pkgconfig/qrvx_batch.pc" ]; then
        # shellcheck disable=SC2046,SC2086
        ${CXX:-c++} $flags -std=c++20 -Wall -Werror "-Wl,-rpath,$libdir" \
            "$consumer/consumer_batch.cpp" -o "$prefix-pkg-batch" \
            $("${pkg_config[@]}" qrvx_batch qrvx_host_trace)
        run "$prefix-pkg-batch" "$static"
    fi
}

cmake --install "$build" --prefix "$work/installed" >/dev/null
if grep -q '^QRVX_BUILD_TOOLS:BOOL=ON' "$build/CMakeCache.txt"; then
    # The installed tool finds the installed library by itself, and man finds its page.
    "$work/installed/bin/qrvx" --version >/dev/null
    MANPATH=$work/installed/share/man man -w qrvx >/dev/null
fi
static=
if grep -q '^BUILD_SHARED_LIBS:BOOL=OFF' "$build/CMakeCache.txt"; then
    static=--static
fi
consume "$work/installed" $static

host=$work/host
build_consumer "$host" --static -DCONSUMER_CXX=OFF -DQRVX_SOURCE_DIR="$source" \
    -DBUILD_SHARED_LIBS=OFF -DQRVX_BUILD_HOST_TRACE=ON -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
cmake -DNM="$nm" -DLIBRARY="$host/qrvx/src/libqrvx.a" -DEXPORT_MAP="$source/cmake/qrvx.map" \
    -P "$source/tests/check_exports.cmake"
cmake --install "$host" --prefix "$work/static" >/dev/null
consume "$work/static" --static
