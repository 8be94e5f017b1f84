#!/usr/bin/env bash
# Configures and builds into <build-dir> (default: build). Extra arguments go to cmake;
# KELVORA_TARGETS="a b" builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
dir=${1:-build}
shift || true
kelvora_configure "$dir" "$@"
targets=()
for t in ${KELVORA_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j2 "${targets[@]}"
