#!/bin/sh
# Runs a test in a network namespace of its own with only its loopback up, so
# that a fake camera's discovery broadcasts and packets stay inside it. Exits
# with 77, which CTest counts as skipped, where that cannot be done.
if ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
  echo "skipped: unshare or ip (util-linux, iproute2) missing"
  exit 77
fi
if ! command -v arv-fake-gv-camera-0.8 >/dev/null 2>&1; then
  echo "skipped: arv-fake-gv-camera-0.8 (aravis-tools) missing"
  exit 77
fi
if ! unshare -n true 2>/dev/null; then
  echo "skipped: no network namespace can be made here (needs root)"
  exit 77
fi
exec unshare -n sh -c 'ip link set lo up && exec "$@"' netns "$@"
