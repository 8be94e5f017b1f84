#!/bin/sh
# Starts an installed kelvora in the user's own run folder. The client reads
# plugins/plugins.json and config.ini from its current folder and writes test.bmp
# there, so it runs in <XDG data home>/kelvora, where its logs also go (Logs/).
#
# Everything the client writes (logs, rotated logs, test.bmp, saved frames) is
# the operator's alone, whatever the mode of the home: homes made by useradd
# can be entered by every account.
#
# config.ini is the operator's once it exists and is never replaced. The plugin
# list follows the package: when the installed plugins.json differs from the one
# the account last got (plugins.json.installed), it is copied again, and an
# edited list is kept beside it as plugins.json.previous. The plugin links are
# renewed at every start; links and copies left by older versions are replaced.
set -eu
umask 077

self=$(readlink -f "$0")
libdir=$(cd "$(dirname "$self")/../lib/kelvora" && pwd -P)
run="${XDG_DATA_HOME:-${HOME:?HOME is not set}/.local/share}/kelvora"
plugins=$run/plugins
installed=$libdir/plugins/plugins.json

mkdir -p "$run"
chmod 700 "$run"
# The default folder of saved frames, made by an older version with the
# account's umask (Qt's documents folder: user-dirs.dirs, else ~/Documents).
documents=${HOME:-}/Documents
dirs=${XDG_CONFIG_HOME:-${HOME:-}/.config}/user-dirs.dirs
if [ -r "$dirs" ]; then
    entry=$(sed -n 's/^XDG_DOCUMENTS_DIR="\(.*\)"$/\1/p' "$dirs" | tail -n 1)
    case $entry in
    '$HOME'/*) documents=$HOME/${entry#'$HOME/'} ;;
    /*) documents=$entry ;;
    esac
fi
if [ -d "$documents/kelvora" ]; then chmod go-rwx "$documents/kelvora"; fi

# A plugins folder or file that is a link (into the read-only program folder, or
# dangling) is replaced by the account's own.
if [ -L "$plugins" ]; then rm -f "$plugins"; fi
mkdir -p "$plugins"
for file in "$run/config.ini" "$plugins/plugins.json"; do
    if [ -L "$file" ] && [ ! -e "$file" ]; then rm -f "$file"; fi
done
[ -e "$run/config.ini" ] || cp "$libdir/config.ini" "$run/config.ini"

if [ ! -e "$plugins/plugins.json" ]; then
    cp "$installed" "$plugins/plugins.json"
    cp "$installed" "$plugins/plugins.json.installed"
elif ! cmp -s "$installed" "$plugins/plugins.json.installed" 2>/dev/null; then
    # The package's list changed since this account got its copy (or the copy
    # predates this launcher). An operator's edit of the old list is kept aside.
    if ! cmp -s "$installed" "$plugins/plugins.json" \
        && ! cmp -s "$plugins/plugins.json" "$plugins/plugins.json.installed" 2>/dev/null; then
        cp "$plugins/plugins.json" "$plugins/plugins.json.previous"
        echo "kelvora: the installed plugin list changed; yours is kept as $plugins/plugins.json.previous" >&2
    fi
    rm -f "$plugins/plugins.json" "$plugins/plugins.json.installed"
    cp "$installed" "$plugins/plugins.json"
    cp "$installed" "$plugins/plugins.json.installed"
fi

for link in "$plugins"/*.so; do
    # A plugin that an upgrade removed leaves a dangling link behind.
    if [ -L "$link" ] && [ ! -e "$link" ]; then rm -f "$link"; fi
done
for plugin in "$libdir"/plugins/*.so; do
    ln -sfn "$plugin" "$plugins/$(basename "$plugin")"
done

cd "$run"
exec "$libdir/kelvora" "$@"
