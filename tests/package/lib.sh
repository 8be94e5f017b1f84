# Shared by the package checks: messages, and the processes a check started,
# which are ended when it exits (stop_started, from the check's EXIT trap).
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "-- $*"; }

pids=()
stop_started() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
