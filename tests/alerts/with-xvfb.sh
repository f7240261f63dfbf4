#!/bin/sh
# with-xvfb.sh COMMAND [ARG...]
#
# Runs COMMAND as an X11 client of a private Xvfb with two monitors side by side:
# one 2880x900 X screen split into two 1440x900 RandR monitors, "left" (the primary)
# and "right", which Qt reports as two QScreens. The command may add and remove
# monitors with xrandr on $DISPLAY. Xvfb picks a free display itself and runs with
# -noreset: otherwise it would forget the monitors whenever its last client leaves.
# A private D-Bus session keeps Qt's accessibility bridge off the user's bus.
set -u
dir=$(mktemp -d) || exit 1
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 2880x900x24 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
stop() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"; }
tries=0
until [ -s "$dir/display" ]; do
  tries=$((tries + 1))
  if [ "$tries" -ge 200 ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "with-xvfb: Xvfb did not start" >&2
    cat "$dir/xvfb.log" >&2
    stop
    exit 1
  fi
  sleep 0.05
done
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
if ! xrandr --setmonitor left 1440/381x900/238+0+0 screen >/dev/null ||
   ! xrandr --setmonitor right 1440/381x900/238+1440+0 none >/dev/null; then
  echo "with-xvfb: xrandr could not split the screen" >&2
  stop
  exit 1
fi
mkdir -m 700 "$dir/run"
export XDG_RUNTIME_DIR="$dir/run" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset WAYLAND_DISPLAY
# libxkbcommon-x11 calls strndup() on names that are not NUL-terminated, which is
# allowed; AddressSanitizer's strict string checks count it as an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
"$(dirname "$0")/../support/private-session-bus.sh" "$@"
status=$?
stop
exit "$status"
