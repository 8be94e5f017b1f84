#!/usr/bin/env bash
# The core beyond loopback: without certificates it refuses to start and says
# why; with --insecure-listen it starts and warns on standard error; with
# certificates it serves a client whose certificate chains to its CA.
# The non-loopback address lives on lo of a network namespace made here.
#
#   check_listen.sh <vision-core program> <corelink-grab> <make-certs.sh>
set -euo pipefail
core=$1 grab=$2 certs=$3

if [ -z "${KELVORA_LISTEN_NETNS:-}" ]; then
    unshare --net true 2>/dev/null || { echo "no network namespace can be made here"; exit 77; }
    exec unshare --net env KELVORA_LISTEN_NETNS=1 bash "$0" "$@"
fi
fail() { echo "FAIL: $*" >&2; exit 1; }
ip link set lo up
ip addr add 10.77.0.1/32 dev lo
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Waits for "listening on" in the file; false when the program ended first.
wait_listening() {
    for _ in $(seq 200); do
        grep -q 'listening on' "$1" && return 0
        kill -0 "$2" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

for listen in 10.77.0.1:0 0.0.0.0:0 '[::]:0'; do
    rc=0
    "$core" --listen "$listen" --width 64 --height 48 >"$work/out" 2>&1 || rc=$?
    [ "$rc" = 2 ] || fail "$listen without certificates: exit $rc, expected 2"
    grep -qF "refusing to listen on $listen without TLS" "$work/out" || fail "$listen: no reason given: $(cat "$work/out")"
    grep -q -- '--tls-cert' "$work/out" || fail "$listen: the reason names no way out"
done
# Loopback stays plaintext without any option.
"$core" --listen 127.0.0.1:0 --width 64 --height 48 >"$work/loop" 2>&1 &
pids+=($!)
wait_listening "$work/loop" $! || fail "loopback core did not start: $(cat "$work/loop")"
grep -q 'WARNING' "$work/loop" && fail "loopback core warned"

"$core" --listen 10.77.0.1:20020 --insecure-listen --width 64 --height 48 >"$work/insecure.out" 2>"$work/insecure.err" &
pids+=($!)
wait_listening "$work/insecure.out" $! || fail "--insecure-listen did not start: $(cat "$work/insecure.err")"
grep -q 'WARNING: serving 10.77.0.1:20020 without TLS' "$work/insecure.err" \
    || fail "--insecure-listen started without a warning on standard error"
"$grab" 10.77.0.1:20020 "$work/plain.bmp" >/dev/null 2>&1 || fail "the insecure core serves no plaintext client"

bash "$certs" ca "$work/pki" >/dev/null
bash "$certs" core "$work/pki" 10.77.0.1 >/dev/null
bash "$certs" client "$work/pki" station >/dev/null
"$core" --listen 10.77.0.1:20021 --width 64 --height 48 --tls-cert "$work/pki/core.pem" \
    --tls-key "$work/pki/core.key" --tls-ca "$work/pki/ca.pem" >"$work/tls.out" 2>"$work/tls.err" &
pids+=($!)
wait_listening "$work/tls.out" $! || fail "the TLS core did not start: $(cat "$work/tls.err")"
grep -q 'WARNING' "$work/tls.err" && fail "the TLS core warned"
"$grab" 10.77.0.1:20021 "$work/tls.bmp" "$work/pki/ca.pem" "$work/pki/station.pem" "$work/pki/station.key" \
    >/dev/null 2>&1 || fail "the TLS core did not serve a client with a valid certificate"
[ -s "$work/tls.bmp" ] || fail "no frame through TLS"
if "$grab" 10.77.0.1:20021 "$work/none.bmp" >/dev/null 2>&1; then fail "the TLS core served a plaintext client"; fi

# A missing certificate file is named.
rc=0
"$core" --listen 10.77.0.1:20022 --tls-cert "$work/pki/gone.pem" --tls-key "$work/pki/core.key" \
    --tls-ca "$work/pki/ca.pem" >"$work/gone" 2>&1 || rc=$?
[ "$rc" != 0 ] && grep -q 'gone.pem' "$work/gone" || fail "a missing certificate: exit $rc, $(cat "$work/gone")"
echo "listen checks passed"
