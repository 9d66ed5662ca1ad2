#!/usr/bin/env bash
# Unpacks Debian's s390x builds of the libraries the big-endian build links and runs against into
# a private sysroot: nothing of s390x is installed on the machine. The cross compiler and qemu come
# from the "s390x:" line of .ci/packages.
# Usage: .ci/s390x-sysroot.sh [SYSROOT]   (default: build/s390x-sysroot)
set -euo pipefail
cd "$(dirname "$0")/.."
sysroot=$(realpath -m "${1:-build/s390x-sysroot}")

# The C and C++ runtime for qemu's -L, then what the libraries, the tool and the tests link.
packages=(libc6 libgcc-s1 libstdc++6 zlib1g zlib1g-dev libpng16-16 libpng-dev libgtest-dev
    libgmock-dev libfreetype6 libfreetype-dev libbrotli1 libfontconfig1 libfontconfig-dev libexpat1
    libutf8proc2 libutf8proc-dev libcsv3 libcsv-dev libzip4 libzip-dev libbz2-1.0 libssl3
    libtomlplusplus3 libtomlplusplus-dev)
# Header-only, of every architecture: the command-line tool's.
headers=(libcli11-dev nlohmann-json3-dev)

list="${packages[*]} ${headers[*]}"
if [[ -f $sysroot/.packages && $(<"$sysroot/.packages") == "$list" ]]; then
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx s390x; then
    dpkg --add-architecture s390x
    apt-get update
elif ! apt-cache show libc6:s390x >/dev/null 2>&1; then
    apt-get update
fi

downloads=$(mktemp -d)
trap 'rm -rf "$downloads"' EXIT
chown _apt "$downloads" 2>/dev/null || true # apt downloads as its own user
(cd "$downloads" && apt-get download "${packages[@]/%/:s390x}" "${headers[@]}")
rm -rf "$sysroot"
mkdir -p "$sysroot"
for deb in "$downloads"/*.deb; do
    dpkg -x "$deb" "$sysroot"
done
# Links to an absolute path (libz.so) point into the sysroot instead.
find "$sysroot" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot$target")" "$link"
done
echo "$list" >"$sysroot/.packages"
echo "s390x sysroot ready: $sysroot"
