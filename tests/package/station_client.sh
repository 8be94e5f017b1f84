#!/usr/bin/env bash
# One operator at the station, run under xvfb-run as that operator: starts the
# installed client through its launcher, opens the first camera the home page
# offers as free, shows its tab and takes photos until a frame has arrived
# (test.bmp), then switches saving on and takes photos until one is saved. Then
# it touches <ready file> and keeps the client running until <stop file>
# exists, when it closes it with SIGTERM (the close button's path).
#
#   station_client.sh <ready file> <stop file>
#
# The screen is read back to find the open button of a free camera, which has a
# colour of its own; the camera tab, the tool bar's photo button and the save
# settings sit where the window's layout puts them on a 1280x800 screen.
set -uo pipefail
ready=$1 stop=$2
run=${XDG_DATA_HOME:-$HOME/.local/share}/kelvora
shot=$(mktemp --suffix=.png)
say() { echo "station_client($(id -un)): $*"; }

kelvora &
client=$!
trap 'kill -TERM "$client" 2>/dev/null; rm -f "$shot"' EXIT

alive() { kill -0 "$client" 2>/dev/null; }
# Waits up to $1 tenths of a second for the command to succeed.
within() {
    local n=$1
    shift
    for _ in $(seq "$n"); do
        "$@" && return 0
        alive || return 1
        sleep 0.1
    done
    return 1
}

window=""
find_window() { window=$(xdotool search --onlyvisible --name '^MainWindow$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
within 600 find_window || { say "no window"; exit 1; }
xdotool windowmove "$window" 0 0 windowsize "$window" 100% 100%
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"

# The centre of the topmost enabled open button (rgb 115,129,255) in the list's
# last column, right of the window's middle.
open_button() {
    import -window root "$shot" 2>/dev/null || return 1
    local point
    point=$(convert "$shot" -crop "$((WIDTH / 2))x$((HEIGHT - 100))+$((WIDTH / 2))+100" +repage txt:- 2>/dev/null \
        | awk -F'[,: ]+' -v ox=$((WIDTH / 2)) -v oy=100 'tolower($0) ~ /#7381ff/ {
            x = $1 + ox; y = $2 + oy
            if (top == "" || y < top) { top = y }
            if (y <= top + 27) { if (minx == "" || x < minx) minx = x; if (x > maxx) maxx = x; if (y > maxy) maxy = y }
          } END { if (top != "") printf "%d %d", (minx + maxx) / 2, (top + maxy) / 2 }')
    [ -n "$point" ] || return 1
    read -r bx by <<<"$point"
}
within 600 open_button || { say "no free camera offered"; exit 1; }
say "opening the camera at $bx,$by"
xdotool mousemove $((X + bx)) $((Y + by)) click 1
sleep 2

# Clicks "photo" in the tool bar and waits up to 3 s for the condition.
photo_until() {
    xdotool mousemove $((X + WIDTH / 2 - 54)) $((Y + 69)) click 1
    for _ in $(seq 30); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
# The camera's tab (the first tab of the title bar), then "photo"; repeated until
# a frame arrived, since a click may land before the page is ready.
first_frame() {
    xdotool mousemove $((X + 340)) $((Y + 22)) click 1
    sleep 1
    photo_until test -s "$run/test.bmp"
}
within 20 first_frame || { say "no frame arrived"; exit 1; }
say "frame received"

# Saving on: the switch "保存图片" of the pop-up shown while the pointer rests on
# "图像保存设置" (below the image, right), into the default folder (no user-dirs.dirs
# here, so Qt takes ~/Documents).
saved=$HOME/Documents/kelvora/images
# The logs say when saving was switched on; a pop-up that did not show in
# time is hovered again.
saving_on() { grep -ahos '保存图片已[开关][启闭]' "$run"/Logs/*.log | tail -n 1 | grep -q 开启; }
switch_saving_on() {
    xdotool mousemove $((X + 929)) $((Y + 664))
    sleep 1.5
    xdotool mousemove $((X + 700)) $((Y + 600)) sleep 0.3 mousemove $((X + 526)) $((Y + 540)) click 1
    sleep 0.5
    xdotool mousemove $((X + 580)) $((Y + 300))
    sleep 1
    saving_on
}
within 10 switch_saving_on || { say "saving could not be switched on"; exit 1; }
any_saved() { compgen -G "$saved/*.bmp" >/dev/null; }
within 20 photo_until any_saved || { say "no frame saved in $saved"; exit 1; }
say "frame saved"
touch "$ready"

while [ ! -e "$stop" ] && alive; do sleep 0.2; done
kill -TERM "$client" 2>/dev/null
trap 'rm -f "$shot"' EXIT
for _ in $(seq 150); do
    alive || break
    sleep 0.1
done
if alive; then
    say "the client did not end after SIGTERM"
    exit 1
fi
wait "$client"
