#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz/ and fuzzes
# the BMP reader for the given number of seconds (default 60). Further arguments go
# to libFuzzer. New inputs collect in build-fuzz/corpus/bmp, crashes in
# build-fuzz/artifacts/.
#   bash scripts/fuzz.sh 600
#   bash scripts/fuzz.sh 20 -jobs=2
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVORA_FUZZ=ON -DKELVORA_SANITIZE=ON -DKELVORA_BUILD_TESTS=OFF -DKELVORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target fuzz_vexa_image_bmp

mkdir -p "$dir/corpus/bmp" "$dir/artifacts"
# The first folder receives what the fuzzer finds; the committed seeds stay untouched.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$dir/fuzz/fuzz_vexa_image_bmp" "$dir/corpus/bmp" tests/fuzz/corpus/bmp \
  -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$dir/artifacts/" -print_final_stats=1 "$@"
