#!/bin/sh
# Starts an installed kelvora in the user's own run folder. The client reads
# plugins/plugins.json and config.ini from its current folder and writes test.bmp
# there, so it runs in <XDG data home>/kelvora, where its logs also go (Logs/).
# The user's plugins.json and config.ini are kept once they exist; the plugin
# links are renewed at every start so they follow the installed files.
set -eu

self=$(readlink -f "$0")
libdir=$(cd "$(dirname "$self")/../lib/kelvora" && pwd -P)
run="${XDG_DATA_HOME:-${HOME:?HOME is not set}/.local/share}/kelvora"

mkdir -p "$run/plugins"
[ -e "$run/config.ini" ] || cp "$libdir/config.ini" "$run/config.ini"
[ -e "$run/plugins/plugins.json" ] || cp "$libdir/plugins/plugins.json" "$run/plugins/plugins.json"
for link in "$run"/plugins/*.so; do
    # A plugin that an upgrade removed leaves a dangling link behind.
    if [ -L "$link" ] && [ ! -e "$link" ]; then rm -f "$link"; fi
done
for plugin in "$libdir"/plugins/*.so; do
    ln -sfn "$plugin" "$run/plugins/$(basename "$plugin")"
done

cd "$run"
exec "$libdir/kelvora" "$@"
