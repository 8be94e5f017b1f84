#!/usr/bin/env bash
# Installs what is missing, builds, starts the vision-core simulator on 127.0.0.1
# (when it is built) and opens the client from its runnable folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build
cd build/bin
sim_pid=""
if [ -x ./vision-core-sim ]; then
  ./vision-core-sim --listen 127.0.0.1:20020 &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
fi
./kelvora
