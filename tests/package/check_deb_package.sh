#!/usr/bin/env bash
# Builds the Debian package from a build tree with cpack, checks it with lintian
# (when installed), unpacks it with dpkg -x into a clean folder and starts the
# vision core as its systemd unit says and the client through its launcher,
# both as a normal user with a fresh home and the program folder read-only. Then
# checks that the client found its plugins and wrote its logs in the per-user folder.
#
#   check_deb_package.sh <build dir>
#
# As root the user is nobody, and everything runs in a network namespace of its
# own where one can be made, so the installed client meets the installed core on
# the installed address 127.0.0.1:20020 without meeting anyone else's. Otherwise
# the current user runs them with the unpacked tree made read-only. Without the
# namespace the core takes a free port that is written into the user's config.ini
# before the launcher starts.
set -euo pipefail

build=$(cd "$1" && pwd)

if [ "$(id -u)" = 0 ] && [ -z "${KELVORA_PACKAGE_NETNS:-}" ] && unshare --net true 2>/dev/null; then
    exec unshare --net env KELVORA_PACKAGE_NETNS=1 bash "$0" "$@"
fi
netns=${KELVORA_PACKAGE_NETNS:-}

source "$(dirname "$0")/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvora-package.XXXXXX")
cleanup() {
    stop_started
    if [ -n "${KELVORA_KEEP_PACKAGE_TEST:-}" ]; then
        echo "kept $work"
    else
        chmod -R u+w "$work" && rm -rf "$work"
    fi
}
trap cleanup EXIT
# The user below must reach the unpacked tree and its home.
chmod 755 "$work"

if [ -n "$netns" ]; then ip link set lo up; fi
if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all)
else
    as_user=()
fi

step "cpack"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/*.deb)
if [ "${#debs[@]}" != 1 ] || [ ! -f "${debs[0]}" ]; then fail "expected one .deb, got: ${debs[*]}"; fi
deb=${debs[0]}
[ "$(dpkg-deb -f "$deb" Package)" = kelvora ] || fail "package name"
dpkg-deb -f "$deb" Depends | grep -q libqt5widgets5 || fail "Depends lacks the Qt libraries: $(dpkg-deb -f "$deb" Depends)"

if command -v lintian >/dev/null; then
    step "lintian"
    rc=0
    lint=$(lintian --fail-on error,warning "$deb" 2>&1) || rc=$?
    grep -v 'running with root privileges' <<<"$lint" | grep . || true
    [ "$rc" = 0 ] || fail "lintian reports errors or warnings"
else
    echo "lintian is not installed: package not linted"
fi

step "dpkg -x"
root=$work/root
dpkg -x "$deb" "$root"
lib=$root/usr/lib/kelvora

# Every listed plugin is there; every ELF file finds its libraries inside the tree.
mapfile -t listed < <(grep -o '"plugins_name": *"[^"]*"' "$lib/plugins/plugins.json" | sed 's/.*"\([^"]*\)"$/\1/')
[ "${#listed[@]}" -ge 1 ] || fail "no plugin listed in plugins.json"
for name in "${listed[@]}"; do
    [ -f "$lib/plugins/$name" ] || fail "listed plugin $name is not installed"
done
nelf=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    nelf=$((nelf + 1))
    deps=$(env -u LD_LIBRARY_PATH ldd "$file")
    if grep -q 'not found' <<<"$deps"; then fail "${file#"$root"}: $(grep 'not found' <<<"$deps")"; fi
    # The project's own libraries must come from the package, never from the build tree.
    while read -r name _ path _; do
        [[ $(realpath "$path") == "$lib/lib/"* ]] || fail "${file#"$root"} loads $name from $path, outside the package"
    done < <(grep -E '^\s*lib(corelink|VexaCommon)' <<<"$deps" || true)
done < <(find "$lib" -type f -print0)
[ "$nelf" -ge $((2 + ${#listed[@]})) ] || fail "only $nelf ELF files in /usr/lib/kelvora"

for program in "$root"/usr/bin/*; do
    name=$(basename "$program")
    [ -x "$program" ] || fail "/usr/bin/$name does not run"
    [ -f "$root/usr/share/man/man1/$name.1.gz" ] || fail "/usr/bin/$name has no manual page"
done
desktop=$root/usr/share/applications/kelvora.desktop
grep -qx 'Exec=kelvora' "$desktop" || fail "desktop entry does not start the launcher"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16x16 48x48 256x256; do
    [ -s "$root/usr/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon $icon.png"
done
[ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"

[ ! -e "$root/usr/lib/systemd/user/kelvora-core.service" ] || fail "the package still has a per-user core unit"
unit=$root/usr/lib/systemd/system/kelvora-core.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
read -r -a core_cmd <<<"$exec_start"
[[ $exec_start == *"--listen 127.0.0.1:"* ]] || fail "the core unit does not serve on 127.0.0.1: $exec_start"
[ -x "$root${core_cmd[0]}" ] || fail "the core unit starts ${core_cmd[0]}, which is not in the package"

# A Logs folder that exists in the program folder but cannot be written (nobody)
# or a program folder that cannot be written at all (other users) sends the logs
# to the per-user folder.
if [ "$(id -u)" = 0 ]; then
    mkdir "$lib/Logs"
else
    chmod -R a-w "$root"
fi

home=$work/home
mkdir "$home"
run=$home/.local/share/kelvora

core_args=("${core_cmd[@]:1}")
# Outside a namespace of its own the core must neither take the station's port
# nor send discovery broadcasts onto the machine's networks.
if [ -z "$netns" ]; then core_args+=(--listen 127.0.0.1:0 --discovery off); fi
step "core: ${core_cmd[0]} ${core_args[*]}"
"${as_user[@]}" env -i "$root${core_cmd[0]}" "${core_args[@]}" >"$work/core.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    grep -q 'listening on' "$work/core.out" && break
    sleep 0.1
done
endpoint=$(sed -n 's/^[^ ]* listening on \([0-9.:]*\).*/\1/p' "$work/core.out")
[ -n "$endpoint" ] || { cat "$work/core.out"; fail "the packaged core did not start"; }
# A link left by a plugin that an upgrade removed; the launcher drops it. A plugin
# list that is a link into the program folder (as an older launcher could leave)
# becomes the account's own copy.
mkdir -p "$run/plugins"
ln -s "$lib/plugins/retired.so" "$run/plugins/retired.so"
ln -s "$lib/plugins/plugins.json" "$run/plugins/plugins.json"
if [ -z "$netns" ]; then
    printf '[General]\nip=%s\n' "$endpoint" >"$run/config.ini"
fi
if [ "$(id -u)" = 0 ]; then chown -R nobody:nogroup "$home"; fi

step "client through /usr/bin/kelvora"
"${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/kelvora" >"$work/client.out" 2>&1 &
client=$!
pids+=("$client")
hostlog=""
for _ in $(seq 300); do
    hostlog=$(ls "$run"/Logs/kelvora_*.log 2>/dev/null | head -n 1 || true)
    if [ -n "$hostlog" ] && grep -q 'App Exit' "$hostlog" \
        && grep -qs 'connected to vision core' "$work/client.out"; then
        break
    fi
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
done
# SIGTERM takes the close button's path: the plugins are unloaded, one line each.
kill -TERM "$client" 2>/dev/null || true
for _ in $(seq 150); do
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$client" 2>/dev/null && fail "the client did not end after SIGTERM"

report() {
    echo "--- client output"; tail -n 20 "$work/client.out"
    echo "--- run folder"; (cd "$home" && find . | sort)
    [ -n "$hostlog" ] && { echo "--- $hostlog"; cat "$hostlog"; }
    fail "$*"
}
[ -n "$hostlog" ] || report "no host log under $run/Logs"
[ -z "$(ls -A "$lib/Logs" 2>/dev/null)" ] || report "logs were written into the program folder"
head -n 1 "$hostlog" | grep -qF "_Info: GetCmdInput:$lib/kelvora" || report "host log does not start with GetCmdInput:"
nloaded=$(grep -c $'_Debug:: unload\r$' "$hostlog" || true)
[ "$nloaded" = "${#listed[@]}" ] || report "$nloaded plugins unloaded, ${#listed[@]} listed"
grep -q '_Info: 初始化Rpc服务' "$run"/Logs/RpcService_*.log || report "no service log"
# The core link echoes its log lines on the console; its file keeps them from the
# first warning on, so here it need only exist.
grep -q "connected to vision core '.*' at $endpoint" "$work/client.out" \
    || report "the client did not reach the core at $endpoint"
[ -f "$run/Logs/log_vision_core_client.txt" ] || report "no core link log in the run folder"
for name in "${listed[@]}"; do
    [ "$(readlink "$run/plugins/$name")" = "$lib/plugins/$name" ] || report "no link to plugin $name"
done
cmp -s "$lib/plugins/plugins.json" "$run/plugins/plugins.json" || report "plugins.json not copied"
[ ! -L "$run/plugins/plugins.json" ] || report "plugins.json is still a link into the program folder"
[ "$(stat -c %a "$run")" = 700 ] || report "the run folder is open to others: $(stat -c %a "$run")"
[ ! -L "$run/plugins/retired.so" ] || report "the link to a removed plugin is still there"
if [ -n "$netns" ]; then
    cmp -s "$lib/config.ini" "$run/config.ini" || report "config.ini not copied"
else
    grep -qx "ip=$endpoint" "$run/config.ini" || report "the user's config.ini was replaced"
fi
echo "kelvora package: $(basename "$deb") started as $(${as_user[@]+"${as_user[@]}"} id -un), ${nloaded} plugins, logs in ${run#"$home"/}/Logs"
