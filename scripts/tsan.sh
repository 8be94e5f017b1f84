#!/usr/bin/env bash
# Builds the whole suite with ThreadSanitizer (build-tsan/) and runs it.
# Debian's Qt, gRPC and GLib are not instrumented: tests/tsan.supp names them,
# and ignore_noninstrumented_modules keeps TSan from checking memory that those
# libraries hand over (a frame's bytes copied out of gRPC's buffers), which it
# would otherwise take for a race on every frame and spend most of its time on.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build-tsan -DKELVORA_TSAN=ON -DKELVORA_BUILD_BENCH=OFF
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp ignore_noninstrumented_modules=1 allocator_may_return_null=1 second_deadlock_stack=1"
(cd build-tsan && ctest --output-on-failure -j2)
