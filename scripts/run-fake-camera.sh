#!/usr/bin/env bash
# Runs Kelvora as scripts/run.sh does, but with the vision core on Aravis's fake
# GigE Vision camera instead of the simulator: in a network namespace of its own
# (needs root), whose loopback alone carries the camera's packets. Extra
# arguments go to the fake camera (e.g. "-r 10" to lose 1 % of the packets).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${KELVORA_IN_NETNS:-}" != 1 ]; then
  bash scripts/deps.sh
  exec unshare -n env KELVORA_IN_NETNS=1 bash "$0" "$@"
fi
ip link set lo up
arv-fake-gv-camera-0.8 -i 127.0.0.1 "$@" &
fake_pid=$!
sleep 0.5
status=0
KELVORA_CAMERA=127.0.0.1 bash scripts/run.sh || status=$?
kill "$fake_pid" 2>/dev/null || true
wait "$fake_pid" 2>/dev/null || true
exit "$status"
