#!/usr/bin/env bash
# Builds the tests labelled threaded with ThreadSanitizer (build-tsan/) and runs
# them; the runtime options come with the tests (cmake/KelvoraSanitize.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
KELVORA_TARGETS=threaded_tests bash scripts/build.sh build-tsan -DKELVORA_TSAN=ON -DKELVORA_BUILD_BENCH=OFF -DKELVORA_WERROR=ON
(cd build-tsan && ctest --output-on-failure -j2 -L threaded)
