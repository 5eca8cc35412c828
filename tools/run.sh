#!/usr/bin/env bash
# Builds Glossmere (release) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
"$root/tools/deps.sh" "${build_packages[@]}"
build_preset release
exec "$root/build-release/bin/glossmere"
