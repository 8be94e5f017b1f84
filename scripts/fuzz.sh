#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz/ and fuzzes
# each for the given number of seconds (default 60): the BMP reader, then the core
# link's decoding of the core's bytes (frames, events, status JSON, core texts).
# KELVORA_FUZZ_TARGET=bmp or =corelink runs only that one. Further arguments go to
# libFuzzer. New inputs collect in build-fuzz/corpus/<name>, crashes in
# build-fuzz/artifacts/.
#   bash scripts/fuzz.sh 600
#   KELVORA_FUZZ_TARGET=corelink bash scripts/fuzz.sh 600
#   bash scripts/fuzz.sh 20 -jobs=2
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz
which=${KELVORA_FUZZ_TARGET:-all}

CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVORA_FUZZ=ON -DKELVORA_SANITIZE=ON -DKELVORA_BUILD_TESTS=OFF -DKELVORA_BUILD_BENCH=OFF >/dev/null

# fuzz <corpus name> <target> <max input length> [libFuzzer arguments...]
fuzz() {
  local name=$1 target=$2 max_len=$3
  shift 3
  cmake --build "$dir" -j2 --target "$target"
  mkdir -p "$dir/corpus/$name" "$dir/artifacts"
  # The first folder receives what the fuzzer finds; the committed seeds stay untouched.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$dir/fuzz/$target" "$dir/corpus/$name" "tests/fuzz/corpus/$name" \
    -max_total_time="$seconds" -max_len="$max_len" -artifact_prefix="$dir/artifacts/" \
    -print_final_stats=1 "$@"
}

if [ "$which" = all ] || [ "$which" = bmp ]; then
  fuzz bmp fuzz_vexa_image_bmp 4096 "$@"
fi
if [ "$which" = all ] || [ "$which" = corelink ]; then
  fuzz corelink fuzz_corelink_decode 65536 "$@"
fi
