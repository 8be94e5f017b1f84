#!/usr/bin/env bash
# Installs what is missing, checks the code's format, builds, and runs the whole test
# suite: the normal build of what the package holds with the package's tests, the
# whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, the tests
# labelled threaded under ThreadSanitizer, and a short libFuzzer run of every fuzz
# target: the BMP reader and the core link's decoding (clang, build-fuzz/).
#
# Each phase prints its time and says loudly when it takes longer than its budget,
# so growth shows long before the whole run nears its limit. The budgets are for a
# fresh clone on two cores with nothing cached. The normal tree builds with GCC, the
# sanitizer trees with clang (cmake/KelvoraSanitize.cmake), and all of them treat
# warnings as errors (KELVORA_WERROR), so the code stays warning-free under both.
# Most tests wait for other programs far more than they compute, so CTest runs
# KELVORA_TEST_JOBS of them at once (default 4) on the two cores.
#   KELVORA_SKIP_SANITIZE=1, KELVORA_SKIP_TSAN=1, KELVORA_SKIP_FUZZ=1  skip a phase
#   KELVORA_FUZZ_SECONDS=12                                           per fuzz target
#   KELVORA_BUDGET_SCALE=2                                            a slower machine
#   KELVORA_BUDGET_FAIL=2                                             fail past twice a budget
#   KELVORA_TEST_JOBS=2                                               tests at once
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

scale=${KELVORA_BUDGET_SCALE:-1}
budget() { echo $(($1 * scale)); }

export KELVORA_TEST_JOBS=${KELVORA_TEST_JOBS:-4}
run_tests() { (cd "$1" && shift && ctest --output-on-failure -j"$KELVORA_TEST_JOBS" "$@"); }

# Installing packages depends on the mirror, so it has a budget of its own and does
# not count towards the total below.
kelvora_phase deps "$(budget 300)" bash scripts/deps.sh
deps_phase=$KELVORA_PHASES
kelvora_phase format 30 bash scripts/format-check.sh
# The plain tree builds what the package holds and the logic tests, and runs those
# and the package's tests; the whole suite (widgets, processes, threads) runs in the
# sanitizer trees below, so the costly tests are not built and run twice. Without
# the sanitizer trees the plain tree builds and runs the whole suite.
if [ "${KELVORA_SKIP_SANITIZE:-0}" != "1" ]; then
  kelvora_phase build "$(budget 200)" env KELVORA_TARGETS="kelvora_installed unit_tests" \
    bash scripts/build.sh build -DKELVORA_WERROR=ON
  kelvora_phase test "$(budget 90)" run_tests build -L "unit|package"
else
  kelvora_phase build "$(budget 300)" bash scripts/build.sh build -DKELVORA_WERROR=ON
  kelvora_phase test "$(budget 120)" run_tests build
fi

if [ "${KELVORA_SKIP_SANITIZE:-0}" != "1" ]; then
  kelvora_phase asan-build "$(budget 300)" env CC=clang CXX=clang++ bash scripts/build.sh build-asan -DKELVORA_SANITIZE=ON -DKELVORA_BUILD_BENCH=OFF -DKELVORA_WERROR=ON
  kelvora_phase asan-test "$(budget 120)" run_tests build-asan
fi

if [ "${KELVORA_SKIP_TSAN:-0}" != "1" ]; then
  kelvora_phase tsan "$(budget 300)" bash scripts/tsan.sh
fi

if [ "${KELVORA_SKIP_FUZZ:-0}" != "1" ]; then
  kelvora_phase fuzz "$(budget 150)" bash scripts/fuzz.sh "${KELVORA_FUZZ_SECONDS:-12}"
fi

printf '\nphases:\n%s' "$KELVORA_PHASES"
total=0
for t in $(printf '%s' "${KELVORA_PHASES#"$deps_phase"}" | awk '{print $2}'); do total=$((total + t)); done
echo "total after deps: ${total} s (budget $(budget 720) s)"
if [ -n "${KELVORA_BUDGET_FAIL:-}" ] && [ "$total" -gt $(($(budget 720) * KELVORA_BUDGET_FAIL)) ]; then
  echo "test: FAILED: ${total} s is more than ${KELVORA_BUDGET_FAIL} times the $(budget 720) s budget" >&2
  exit 1
fi
if [ "$total" -gt "$(budget 720)" ]; then
  echo "test: OVER BUDGET: ${total} s > $(budget 720) s for building and testing" >&2
fi
