#!/usr/bin/env bash
# Builds the Debian package of Glossmere with CPack and prints the path of the .deb on standard
# output (the build's own messages go to standard error), so deb=$(packaging/build-deb.sh) works.
#
#   packaging/build-deb.sh [BUILD_DIR]      (default: build-pkg in the repository)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source-path=SCRIPTDIR/.. source=tools/common.sh
source "$root/tools/common.sh"
build_dir=$(realpath -m "${1:-$root/build-pkg}")

# dpkg-shlibdeps (dpkg-dev) computes the library dependencies and reads the binary's format with file.
{
    "$root/tools/deps.sh" "${build_packages[@]}" dpkg-dev file
    # The package needs only the program: no test or benchmark is compiled.
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    cmake --build "$build_dir" --parallel "$(nproc)"
    # A package left over from an earlier version must not be mistaken for this build's.
    rm -f "$build_dir"/glossmere_*.deb
    (cd "$build_dir" && cpack -G DEB)
} >&2

shopt -s nullglob
packages=("$build_dir"/glossmere_*.deb)
[[ ${#packages[@]} -eq 1 ]] || { echo "build-deb: expected one glossmere .deb in $build_dir" >&2; exit 1; }
echo "${packages[0]}"
