#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 10), starting from the corpus kept in fuzz/corpus.
#   tools/fuzz.sh [SECONDS]
# New inputs found are written to build-fuzz/corpus/<target>, not to the repository.
set -euo pipefail
seconds="${1:-10}"
cd "$(dirname "$(readlink -f "$0")")/.."
if [ ! -f build-fuzz/build.ninja ]; then
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLANTIX_FUZZ=ON \
        -DVOLANTIX_SANITIZE=ON -DVOLANTIX_WERROR=OFF -DVOLANTIX_BUILD_TESTS=OFF -DVOLANTIX_BUILD_BENCH=OFF \
        -DVOLANTIX_DIST_DIR="$PWD/build-fuzz/dist"
fi
targets=(fuzz_records fuzz_ini fuzz_password fuzz_lines fuzz_export)
cmake --build build-fuzz --target "${targets[@]}"
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/${target#fuzz_}"
    mkdir -p "$corpus"
    echo "== $target, $seconds s"
    status=0
    output="$(QT_QPA_PLATFORM=offscreen "build-fuzz/bin/$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        "$corpus" "fuzz/corpus/${target#fuzz_}" 2>&1)" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "$output" | tail -60
        echo "fuzz: $target failed"
        exit 1
    fi
    echo "$output" | grep -E '^stat::(number_of_executed_units|peak_rss_mb)' || true
done
