#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz/ and runs
# every one of them for the given number of seconds each (default 60): the BMP
# reader, the core link's decoding of the core's bytes (frames, events, status JSON,
# core texts), and whatever tests/fuzz/CMakeLists.txt adds with kelvora_add_fuzzer
# (build-fuzz/fuzz/targets.txt lists them). KELVORA_FUZZ_TARGET=<seed folder name or
# target> runs only that one, e.g. bmp or corelink. Further arguments go to libFuzzer.
# New inputs collect in build-fuzz/corpus/<seed folder name>, crashes in
# build-fuzz/artifacts/<target>-*.
#   bash scripts/fuzz.sh 600
#   KELVORA_FUZZ_TARGET=corelink bash scripts/fuzz.sh 600
#   bash scripts/fuzz.sh 20 -jobs=2
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
seconds=${1:-60}
shift || true
dir=build-fuzz
which=${KELVORA_FUZZ_TARGET:-all}

CC=clang CXX=clang++ kelvora_configure "$dir" \
  -DKELVORA_FUZZ=ON -DKELVORA_SANITIZE=ON -DKELVORA_BUILD_TESTS=OFF -DKELVORA_BUILD_BENCH=OFF
cmake --build "$dir" -j2 --target fuzzers

mkdir -p "$dir/artifacts"
ran=0
while read -r target seeds flags; do
  [ -n "$target" ] || continue
  name=$(basename "$seeds")
  [ "$which" = all ] || [ "$which" = "$name" ] || [ "$which" = "$target" ] || continue
  echo "fuzz: $target for ${seconds} s"
  mkdir -p "$dir/corpus/$name"
  # The first folder receives what the fuzzer finds; the committed seeds stay untouched.
  # shellcheck disable=SC2086
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$dir/fuzz/$target" "$dir/corpus/$name" "$seeds" \
    -max_total_time="$seconds" -artifact_prefix="$dir/artifacts/$target-" -print_final_stats=1 $flags "$@"
  ran=$((ran + 1))
done < "$dir/fuzz/targets.txt"
if [ "$ran" -eq 0 ]; then
  echo "fuzz: no fuzz target ran (KELVORA_FUZZ_TARGET=$which)" >&2
  exit 1
fi
