#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first the normal
# build, then the same suite under AddressSanitizer + UndefinedBehaviorSanitizer,
# then under ThreadSanitizer, then short libFuzzer runs of the BMP reader and of
# the core link's decoding (clang, build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j2)

if [ "${KELVORA_SKIP_SANITIZE:-0}" != "1" ]; then
  bash scripts/build.sh build-asan -DKELVORA_SANITIZE=ON -DKELVORA_BUILD_BENCH=OFF
  (cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
fi

if [ "${KELVORA_SKIP_TSAN:-0}" != "1" ]; then
  bash scripts/tsan.sh
fi

if [ "${KELVORA_SKIP_FUZZ:-0}" != "1" ]; then
  bash scripts/fuzz.sh "${KELVORA_FUZZ_SECONDS:-20}"
fi
