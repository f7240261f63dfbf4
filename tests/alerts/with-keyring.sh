#!/bin/sh
# with-keyring.sh [--keep] [--locked] HOME COMMAND [ARG...]
#
# Runs COMMAND inside a private D-Bus session with its own gnome-keyring, whose
# files live under HOME. The keyring is unlocked with an empty password unless
# --locked is given; HOME is made afresh unless --keep is given (a locked run
# reads what an earlier run stored). The daemon runs in the foreground and is
# stopped here: a daemonised one can outlive the session, keep the test's output
# open and hang the test run. The script waits until the daemon owns its bus name,
# so the first request cannot D-Bus-activate a second, locked daemon.
set -u
keep=no
unlock=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=yes; shift ;;
    --locked) unlock=no; shift ;;
    *) break ;;
  esac
done
home=$1
shift
if [ "$keep" = no ]; then
  rm -rf "$home" || exit 1
fi
mkdir -p "$home/data" "$home/config" || exit 1
# The daemon's control socket lives in XDG_RUNTIME_DIR. A Unix socket path may
# not exceed 108 bytes, so it goes to a short private folder, never below HOME
# (which lies wherever the checkout does).
run=$(mktemp -d /tmp/okr.XXXXXX) || exit 1
chmod 700 "$run"
trap 'rm -rf "$run"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$run"
export KEYRING_UNLOCK="$unlock"
"$(dirname "$0")/../support/private-session-bus.sh" sh -c '
  if [ "$KEYRING_UNLOCK" = yes ]; then
    echo "" | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null &
  else
    gnome-keyring-daemon --foreground --components=secrets </dev/null >/dev/null &
  fi
  daemon=$!
  tries=0
  until dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
          string:org.freedesktop.secrets 2>/dev/null | grep -q "boolean true"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 150 ] || ! kill -0 "$daemon" 2>/dev/null; then
      echo "with-keyring: gnome-keyring-daemon did not come up" >&2
      kill "$daemon" 2>/dev/null
      exit 1
    fi
    sleep 0.1
  done
  "$@"
  status=$?
  kill "$daemon" 2>/dev/null
  wait "$daemon" 2>/dev/null
  exit "$status"' with-keyring "$@"
status=$?
exit "$status"
