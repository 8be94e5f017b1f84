#!/usr/bin/env bash
# The package installed on a station with two operators, in a throwaway root:
# an overlay of this machine's own root, in a mount and network namespace of
# this test's own, where dpkg -i installs it as on a real machine.
#
# - lintian passes without errors or warnings, and systemd-analyze verify passes
#   for every unit the package holds;
# - dpkg -i makes the core's system account, enables the core's service and
#   installs the udev rule for USB3 Vision cameras;
# - systemd does not run here, so the test starts the unit's ExecStart itself as
#   the unit's account with the unit's ambient capabilities; the core discovers
#   two fake GigE cameras on this namespace's loopback and names them;
# - two accounts made with useradd (homes 755) each start a client through the
#   launcher (under Xvfb); each opens a camera of the one core from the home
#   page and takes a frame, the second seeing the first's camera in use;
# - neither account can read any file of the other's (logs, test.bmp, ...);
# - an upgrade whose plugin list changed reaches an existing account at its
#   next start, and the account's config.ini stays as it was;
# - removing and purging the package leaves the homes alone.
#
#   check_station_install.sh <build dir> [package.deb]
#
# Root only (mounts, useradd, dpkg); otherwise it is skipped (exit 77).
set -euo pipefail

if [ "$(id -u)" != 0 ]; then
    echo "the station install test needs root"
    exit 77
fi
if [ -z "${KELVORA_STATION_NS:-}" ]; then
    exec unshare --mount --net --propagation private env KELVORA_STATION_NS=1 bash "$0" "$@"
fi

build=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvora-station.XXXXXX")
cleanup() {
    stop_started
    # Nothing is removed while a file system is mounted below the work folder;
    # removal never crosses into another file system either.
    if [ -d "$work/root" ]; then umount -R "$work/root" 2>/dev/null || umount -R -l "$work/root" || true; fi
    if mountpoint -q "$work/layers"; then umount "$work/layers" || umount -l "$work/layers" || true; fi
    if [ -n "${KELVORA_KEEP_STATION_TEST:-}" ]; then
        echo "kept $work"
    elif ! grep -qF " $work/" /proc/self/mounts; then
        rm -rf --one-file-system "$work"
    else
        echo "left $work: still mounted below it" >&2
    fi
}
trap cleanup EXIT

# Loopback of this namespace holds both fake cameras' addresses.
ip link set lo up
ip addr add 127.0.0.2/8 dev lo

step "package"
if [ -n "${2:-}" ]; then
    deb=$2
else
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log"; fail "cpack failed"; }
    deb=$(ls "$work"/out/*.deb)
fi
[ -f "$deb" ] || fail "no package"
version=$(dpkg-deb -f "$deb" Version)

step "lintian"
rc=0
lint=$(lintian --fail-on error,warning "$deb" 2>&1) || rc=$?
grep -v 'running with root privileges' <<<"$lint" | grep . || true
[ "$rc" = 0 ] || fail "lintian reports errors or warnings"

# The next version for the upgrade: the same package whose plugin list no longer
# has the tool plugin (its library goes with it).
step "upgrade package"
tree=$work/next
dpkg-deb -R "$deb" "$tree"
next_list=$tree/usr/lib/kelvora/plugins/plugins.json
grep -q '"tool.so"' "$next_list" || fail "the installed list has no tool.so to drop"
grep -v '"tool.so"' "$next_list" >"$work/list" && cat "$work/list" >"$next_list"
rm "$tree/usr/lib/kelvora/plugins/tool.so"
sed -i "s/^Version: .*/Version: $version+next1/" "$tree/DEBIAN/control"
(cd "$tree" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z | xargs -0 md5sum) \
    >"$tree/DEBIAN/md5sums"
dpkg-deb --root-owner-group -b "$tree" "$work/next.deb" >/dev/null
rm -rf "$tree"

step "throwaway root"
mkdir "$work/layers" "$work/root"
mount -t tmpfs -o mode=755 layers "$work/layers"
mkdir "$work/layers/upper" "$work/layers/work"
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/layers/upper,workdir=$work/layers/work" "$work/root"
root=$work/root
mount -t proc proc "$root/proc"
mount -t sysfs -o ro sysfs "$root/sys"
# A /dev of its own with the few nodes programs expect: the machine's /dev is
# never bound in, so nothing done in the root can reach its devices.
mount -t tmpfs -o mode=755 dev "$root/dev"
for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
    IFS=: read -r name major minor <<<"$node"
    mknod -m 666 "$root/dev/$name" c "$major" "$minor"
done
mkdir "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
ln -s pts/ptmx "$root/dev/ptmx"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
ln -s /proc/self/fd "$root/dev/fd"
mount -t tmpfs -o mode=1777 tmp "$root/tmp"
mount -t tmpfs -o mode=755 run "$root/run"
[ ! -e "$root/usr/lib/kelvora" ] || fail "the machine itself has kelvora installed"
in_root() { chroot "$root" "$@"; }
# An account's command in the root, with its own groups and a clean environment.
as() {
    local user=$1
    shift
    chroot "$root" setpriv --reuid="$user" --regid="$user" --init-groups --inh-caps=-all \
        env -i HOME="/home/$user" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
# The same started in the background: the function's shell is replaced by the
# command, so $! is the command itself (chroot, setpriv and env each exec the next).
as_bg() {
    local user=$1
    shift
    exec chroot "$root" setpriv --reuid="$user" --regid="$user" --init-groups --inh-caps=-all \
        env -i HOME="/home/$user" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
cp "$deb" "$root/tmp/kelvora.deb"
cp "$work/next.deb" "$root/tmp/kelvora-next.deb"
cp "$(dirname "$0")/station_client.sh" "$root/tmp/station_client.sh"

step "dpkg -i"
in_root dpkg -i /tmp/kelvora.deb >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
account=$(in_root getent passwd kelvora) || fail "no account kelvora after installation"
IFS=: read -r _ _ core_uid core_gid _ core_home core_shell <<<"$account"
[ "$core_uid" -lt 1000 ] || fail "kelvora is no system account: uid $core_uid"
[ "$(in_root getent group kelvora | cut -d: -f3)" = "$core_gid" ] || fail "kelvora has no group of its own"
[[ $core_shell == */nologin || $core_shell == /bin/false ]] || fail "kelvora can log in: $core_shell"
[ ! -e "$root$core_home" ] || fail "the core's account got a home: $core_home"
units=$(dpkg-deb -c "$deb" | grep -oE '\./usr/lib/systemd/[^ ]+\.(service|socket|timer|path)$' | sed 's/^\.//')
[ -n "$units" ] || fail "the package has no unit"
! grep -q '/systemd/user/' <<<"$units" || fail "the package has a per-user unit: $units"
unit=/usr/lib/systemd/system/kelvora-core.service
grep -qx "$unit" <<<"$units" || fail "no system unit for the core: $units"
[ -L "$root/etc/systemd/system/multi-user.target.wants/kelvora-core.service" ] \
    || fail "the core's service is not enabled"
rule=$(ls "$root"/lib/udev/rules.d/*kelvora*.rules) || fail "no udev rule"
grep -q 'GROUP="kelvora"' "$rule" && grep -q 'ID_USB_INTERFACES' "$rule" \
    || fail "the udev rule does not give USB3 Vision cameras to kelvora: $(cat "$rule")"

step "systemd-analyze verify"
for u in $units; do
    out=$(in_root systemd-analyze verify "$u" 2>&1) || fail "systemd-analyze verify $u: $out"
    # It only warns about some faults; none is acceptable.
    [ -z "$(grep -v 'Failed to .*cgroup\|systemd is not running' <<<"$out" || true)" ] \
        || fail "systemd-analyze verify $u: $out"
done

value() { sed -n "s/^$1=//p" "$root$unit" | tail -n 1; }
user=$(value User)
group=$(value Group)
caps=$(value AmbientCapabilities)
read -r -a core_cmd <<<"$(value ExecStart)"
[ "$user" = kelvora ] && [ "$group" = kelvora ] || fail "the core runs as $user:$group"
[ "$caps" = CAP_NET_RAW ] || fail "ambient capabilities: $caps"
[[ " ${core_cmd[*]} " == *" --listen 127.0.0.1:20020 "* ]] || fail "the core does not listen on 127.0.0.1:20020"
[[ " ${core_cmd[*]} " != *" --genicam "* ]] || fail "the core is fixed to one camera"

step "two fake GigE cameras"
for n in 1 2; do
    arv-fake-gv-camera-0.8 -i "127.0.0.$n" -s "KLV-STATION-$n" >"$work/fake$n.log" 2>&1 &
    pids+=($!)
done
sleep 1

step "core: ${core_cmd[*]} as $user with $caps"
chroot "$root" setpriv --reuid="$user" --regid="$group" --init-groups --inh-caps=+net_raw --ambient-caps=+net_raw \
    env -i PATH=/usr/bin:/bin "${core_cmd[@]}" >"$work/core.out" 2>"$work/core.err" &
core=$!
pids+=("$core")
for _ in $(seq 300); do
    grep -q 'listening on' "$work/core.out" && break
    kill -0 "$core" 2>/dev/null || break
    sleep 0.1
done
grep -q 'listening on 127.0.0.1:20020' "$work/core.out" || fail "the core did not start: $(cat "$work/core.out" "$work/core.err")"
cat "$work/core.out"
# The start line names both cameras it found, and says none is simulated.
for n in 1 2; do
    grep 'listening on' "$work/core.out" | grep -q "GigE 127.0.0.$n" || fail "the start line does not name camera $n"
done
grep -q '2 cameras found, 0 simulated' "$work/core.out" || fail "the start line does not say what was found"
# chroot, setpriv and env each exec the next: the process started is the core.
core_pid=$core
[ "$(awk '/^Uid:/ {print $2}' "/proc/$core_pid/status")" = "$core_uid" ] || fail "the core does not run as kelvora"
caps_eff=$(awk '/^CapEff:/ {print $2}' "/proc/$core_pid/status")
(((0x$caps_eff >> 13) & 1)) || fail "the core lacks CAP_NET_RAW (CapEff $caps_eff)"
(((0x$caps_eff & ~(1 << 13)) == 0)) || fail "the core has more capabilities than CAP_NET_RAW (CapEff $caps_eff)"

step "two operators"
for op in op1 op2; do
    in_root useradd -m -s /bin/bash "$op"
    chmod 755 "$root/home/$op"
    [ "$(stat -c %a "$root/home/$op")" = 755 ] || fail "home of $op is not 755"
done

# Each operator's client opens a camera of the one core and takes a frame; both
# keep running until both have one, so the core serves them at once.
start_client() {
    local op=$1 display=$2
    as_bg "$op" xvfb-run -n "$display" -s "-screen 0 1280x800x24" bash /tmp/station_client.sh \
        "/tmp/$op.ready" /tmp/stop >"$work/$op.out" 2>&1 &
    pids+=($!)
    eval "client_$op=\$!"
    for _ in $(seq 1800); do
        [ -e "$root/tmp/$op.ready" ] && return 0
        kill -0 "$(eval echo "\$client_$op")" 2>/dev/null || break
        sleep 0.1
    done
    cat "$work/$op.out"
    fail "the client of $op received no frame"
}
start_client op1 91
start_client op2 92
touch "$root/tmp/stop"
for op in op1 op2; do
    wait "$(eval echo "\$client_$op")" || { cat "$work/$op.out"; fail "the client of $op did not end cleanly"; }
    grep -q "connected to vision core 'vision-core' at 127.0.0.1:20020" "$work/$op.out" \
        || { cat "$work/$op.out"; fail "the client of $op was not served by the core at 127.0.0.1:20020"; }
done
# Each got its frames from a camera of its own: the second found the first's in use
# (its open button disabled) and opened the other.
for n in 1 2; do
    grep -q "camera Aravis-Fake-KLV-STATION-$n opened" "$work/op$n.out" || fail "op$n did not open camera $n"
done

step "each operator's files are their own"
for op in op1 op2; do
    run=/home/$op/.local/share/kelvora
    ls "$root/home/$op/Documents/kelvora/images/"*.bmp >/dev/null || fail "$op saved no frame"
    for file in "$run/test.bmp" "$run/config.ini" "$run/plugins/plugins.json" "$run/Logs/log_vision_core_client.txt"; do
        [ -f "$root$file" ] || fail "$op has no $file"
    done
    ls "$root$run"/Logs/kelvora_*.log "$root$run"/Logs/RpcService_*.log >/dev/null || fail "$op has no logs"
done
check_private() {
    local owner=$1 other=$2 n=0
    while IFS= read -r -d '' file; do
        n=$((n + 1))
        if as "$other" cat "${file#"$root"}" >/dev/null 2>&1; then
            fail "$other can read $owner's ${file#"$root"} ($(stat -c %A "$file"))"
        fi
    done < <(find "$root/home/$owner/.local" "$root/home/$owner/Documents" -type f -print0 2>/dev/null)
    [ "$n" -ge 5 ] || fail "only $n files of $owner to check"
    # A listing would name the frames and logs.
    if as "$other" ls "/home/$owner/.local/share/kelvora/Logs" >/dev/null 2>&1; then
        fail "$other can list $owner's logs"
    fi
    # The owner reads them all.
    as "$owner" sh -c "find /home/$owner/.local -type f -exec cat {} + >/dev/null" \
        || fail "$owner cannot read their own files"
}
check_private op1 op2
check_private op2 op1

step "upgrade with a changed plugin list"
config=/home/op1/.local/share/kelvora/config.ini
as op1 sh -c "printf 'language=en\n' >>$config"
cp "$root$config" "$work/op1-config.ini"
cmp -s "$root/usr/lib/kelvora/plugins/plugins.json" "$root/home/op1/.local/share/kelvora/plugins/plugins.json" \
    || fail "op1 did not get the installed plugin list"
in_root dpkg -i /tmp/kelvora-next.deb >"$work/dpkg-next.log" 2>&1 || { cat "$work/dpkg-next.log"; fail "the upgrade failed"; }
[ "$(in_root dpkg-query -W -f '${Version}' kelvora)" = "$version+next1" ] || fail "the upgrade did not happen"
in_root getent passwd kelvora >/dev/null || fail "the upgrade lost the account"
as_bg op1 QT_QPA_PLATFORM=offscreen kelvora >"$work/op1-next.out" 2>&1 &
client=$!
pids+=("$client")
run=$root/home/op1/.local/share/kelvora
for _ in $(seq 300); do
    grep -qs 'connected to vision core' "$work/op1-next.out" && break
    sleep 0.1
done
kill -TERM "$client" 2>/dev/null
wait "$client" || true
cmp -s "$root/usr/lib/kelvora/plugins/plugins.json" "$run/plugins/plugins.json" \
    || fail "the changed plugin list did not reach op1: $(cat "$run/plugins/plugins.json")"
! grep -q '"tool.so"' "$run/plugins/plugins.json" || fail "op1's list still names the removed plugin"
[ ! -L "$run/plugins/tool.so" ] || fail "the link to the removed plugin is still there"
cmp -s "$work/op1-config.ini" "$root$config" || fail "the upgrade changed op1's config.ini"
newest=$(ls -t "$run"/Logs/kelvora_*.log | head -n 1)
nloaded=$(grep -c 'unload' "$newest" || true)
[ "$nloaded" = 4 ] || fail "op1's client unloaded $nloaded plugins after the upgrade, 4 listed"

step "removal leaves the homes alone"
kill "$core" 2>/dev/null || true
snapshot() { (cd "$root/home" && find . -printf '%p %m %U %s\n' | sort && find . -type f -exec md5sum {} + | sort); }
snapshot >"$work/homes.before"
in_root dpkg -r kelvora >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg -r failed"; }
in_root dpkg -P kelvora >>"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg -P failed"; }
[ ! -e "$root$unit" ] || fail "the unit is still there after removal"
snapshot >"$work/homes.after"
diff "$work/homes.before" "$work/homes.after" || fail "removing the package changed the homes"

echo "station install: $(basename "$deb") and its upgrade; core as $user with $caps on 127.0.0.1:20020; two operators served, files private"
