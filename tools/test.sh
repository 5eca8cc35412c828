#!/usr/bin/env bash
# Builds Glossmere and runs the whole test suite headless.
#   --werror    warnings are errors
#   --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan; any report fails
#   --tsan      ThreadSanitizer build in build-tsan of every test but the soak test (whose memory
#               figure means nothing beside ThreadSanitizer's shadow memory); any report fails
# Without --sanitize the debug preset builds in build/ (see CMakePresets.json).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
preset=debug
args=()
for option in "$@"; do
    case "$option" in
    --werror) args+=(-DGLOSSMERE_WERROR=ON) ;;
    --sanitize) preset=sanitize ;;
    --tsan) preset=tsan ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
    esac
done
"$root/tools/deps.sh" "${build_packages[@]}" "${test_packages[@]}"
build_preset "$preset" "${args[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1:suppressions=$root/tools/asan.supp"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/tsan.supp"
cd "$root"
ctest --preset "$preset"
