#!/usr/bin/env bash
# Builds the tests labelled threaded with ThreadSanitizer (build-tsan/) and runs
# them; the runtime options come with the tests (cmake/KelvoraSanitize.cmake).
# clang builds it, as it does the AddressSanitizer tree (scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
CC=${CC:-clang} CXX=${CXX:-clang++} KELVORA_TARGETS=threaded_tests bash scripts/build.sh build-tsan -DKELVORA_TSAN=ON -DKELVORA_BUILD_BENCH=OFF -DKELVORA_WERROR=ON
(cd build-tsan && ctest --output-on-failure -j"${KELVORA_TEST_JOBS:-4}" -L threaded)
