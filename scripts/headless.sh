#!/usr/bin/env bash
# Runs inside xvfb-run from scripts/run.sh, in the runnable folder: opens kelvora,
# sizes its window to the screen (what maximising does on a desktop; Xvfb has no
# window manager), shows the camera page with one frame, saves a screenshot to $1
# and closes the client with SIGTERM, which takes the close button's path.
set -uo pipefail
shot=$1

./kelvora &
app_pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^MainWindow$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done

if [ -n "$window" ]; then
  xdotool windowmove "$window" 0 0 windowsize "$window" 100% 100%
  # The home page moves to "not found" after about a second.
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "run: kelvora window ${WIDTH}x${HEIGHT} at ${X},${Y}"
  # The first camera tab of the title bar (a real camera's, or the left placeholder
  # with an older core), then "photo" in the centred tool bar.
  xdotool mousemove $((X + 340)) $((Y + 22)) click 1
  sleep 1
  xdotool mousemove $((X + WIDTH / 2 - 54)) $((Y + 69)) click 1
  sleep 2
  # Extra operator steps before the picture (xdotool commands; X, Y, WIDTH and
  # HEIGHT give the window's place), e.g. for the README's screenshots.
  if [ -n "${KELVORA_BEFORE_SHOT:-}" ]; then
    X=$X Y=$Y WIDTH=$WIDTH HEIGHT=$HEIGHT bash -c "$KELVORA_BEFORE_SHOT"
    sleep 1
  fi
  mkdir -p "$(dirname "$shot")"
  import -window root "$shot" && echo "run: screenshot saved to $shot"
else
  echo "run: the kelvora window did not appear" >&2
fi

kill -TERM "$app_pid" 2>/dev/null
wait "$app_pid"
status=$?
echo "run: kelvora exited with code $status"
exit "$status"
