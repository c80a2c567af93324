#!/bin/sh
# Runs the end-to-end test program under Wine, on Xvfb when there is no display.
#   run_e2e.sh wine-run.sh e2e_tests.exe [gtest arguments...]
# The test asks for pictures of its windows by leaving "NAME.request" files
# (holding "x y width height") in the build's e2e-pictures folder; a watcher
# here takes each from the screen as NAME.png (and NAME.rgb, raw pixels that
# the test reads back) and answers with NAME.done.
set -u
if [ -z "${DISPLAY:-}" ]; then
  display=:${VMT_E2E_DISPLAY:-96}
  Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=$display
  sleep 1
fi
pictures="$(cd "$(dirname "$1")" && pwd)/e2e-pictures"
mkdir -p "$pictures"
rm -f "$pictures"/*.request "$pictures"/*.done
while :; do
  for request in "$pictures"/*.request; do
    [ -f "$request" ] || continue
    name=${request%.request}
    read -r x y w h < "$request" || true
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$name.png" >/dev/null 2>&1 &&
      convert "$name.png" -alpha off -depth 8 "rgb:$name.rgb" >/dev/null 2>&1 || true
    rm -f "$request"
    touch "$name.done"
  done
  sleep 0.2
done &
watcher=$!
export VMT_WINE_NEW_SERVER=1
trap 'kill $watcher 2>/dev/null; [ -n "${xvfb:-}" ] && kill $xvfb 2>/dev/null' EXIT
"$@"
