#!/usr/bin/env bash
# Installs what is missing, builds, starts the vision-core simulator on
# 127.0.0.1:20020, waits until it listens, and opens the client from its runnable
# folder build/bin. The simulator stops when the client exits.
#
# Without a display the client runs under Xvfb (1280x800), its window sized to the
# screen (scripts/headless.sh); the camera tab and "photo" are clicked, a screenshot
# is saved to build/kelvora-screenshot.png (KELVORA_SCREENSHOT overrides), and the
# client is closed with SIGTERM (its normal close path), so the command ends by itself.
#
# KELVORA_CAMERA=<device id | serial | address | first> starts the core on that
# GenICam camera instead of the simulator (vision-core --genicam);
# KELVORA_CORE_ARGS adds options of the core (e.g. "--pixel-format BayerRG8").
#
# Benchmarks are built only on request (bench/README.md):
#   cmake -S . -B build -DKELVORA_BUILD_BENCH=ON && cmake --build build -j2 --target pipeline_bench
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh
# Only what the runnable folder holds; scripts/test.sh builds the rest.
KELVORA_TARGETS="kelvora service capturo scanvor tool dossiva vision-core-sim vision-core" bash scripts/build.sh build
cd build/bin

endpoint=127.0.0.1:20020
sim_log=$(mktemp)
core=./vision-core-sim
core_args=()
if [ -n "${KELVORA_CAMERA:-}" ]; then
  core=./vision-core
  core_args=(--genicam "$KELVORA_CAMERA")
fi
# shellcheck disable=SC2206
core_args+=(${KELVORA_CORE_ARGS:-})
"$core" --listen "$endpoint" "${core_args[@]}" >"$sim_log" 2>&1 &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -f "$sim_log"
}
trap stop_sim EXIT

for _ in $(seq 1 100); do
  grep -q "listening on" "$sim_log" && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run: $core did not start:" >&2
    cat "$sim_log" >&2
    exit 1
  fi
  sleep 0.1
done
grep -q "listening on" "$sim_log" || { echo "run: $core does not answer" >&2; exit 1; }
head -n 1 "$sim_log"

if [ -n "${DISPLAY:-}" ]; then
  ./kelvora
else
  shot=${KELVORA_SCREENSHOT:-$root/build/kelvora-screenshot.png}
  xvfb-run -a -s "-screen 0 1280x800x24" bash "$root/scripts/headless.sh" "$shot"
fi
