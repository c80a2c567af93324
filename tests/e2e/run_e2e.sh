#!/bin/sh
# Runs the end-to-end test program under Wine, on Xvfb when there is no display.
#   run_e2e.sh wine-run.sh e2e_tests.exe [gtest arguments...]
set -u
if [ -z "${DISPLAY:-}" ]; then
  display=:${VMT_E2E_DISPLAY:-96}
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null' EXIT
  export DISPLAY=$display
  sleep 1
fi
"$@"
