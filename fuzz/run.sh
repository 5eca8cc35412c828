#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs each for the given number of seconds (default 60) on a copy of the seed corpus.
# Usage: fuzz/run.sh [seconds] [target...]      targets: reader boolean quoted kvtml
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/common.sh"
seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(reader boolean quoted kvtml)
"$root/tools/deps.sh" "${build_packages[@]}" clang libclang-rt-14-dev
dir="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
configure_and_build "$dir" RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DGLOSSMERE_FUZZ=ON \
    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    cp "$root/fuzz/corpus/$target/"* "$work/"
    echo "fuzzing $target for ${seconds}s"
    log="$dir/fuzz_$target.log"
    set +e
    (cd "$dir" && "$dir/bin/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 \
        -print_final_stats=1 "$work" >"$log" 2>&1)
    status=$?
    set -e
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)" "$log" || true
    rm -rf "$work"
    # A failure leaves its input as crash-* (or timeout-*, oom-*) in $dir for a regression test.
    [[ $status -eq 0 ]] || { echo "fuzz_$target found a failure; see $log" >&2; exit 1; }
done
