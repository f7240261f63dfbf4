#!/bin/sh
# private-session-bus.sh COMMAND [ARG...]
#
# Runs COMMAND on a D-Bus session bus of its own, as dbus-run-session does, but one
# that starts none of the machine's session services. On a desktop, a settings portal
# asked for by the program, or GNOME's file system daemon asked for by a window
# manager, would otherwise start in the test's session: whoever asked waits for it,
# and it can outlive the session with the test's output open, so that the test runs
# into its time-out. The accessibility bus, which the window tests turn on, is the
# one service it starts.
set -u
dir=$(mktemp -d) || exit 1
mkdir "$dir/services"
for folder in $(echo "${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" | tr ':' ' '); do
  service="$folder/dbus-1/services/org.a11y.Bus.service"
  if [ -f "$service" ] && [ ! -e "$dir/services/org.a11y.Bus.service" ]; then
    cp "$service" "$dir/services/"
  fi
done
cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-run-session --config-file="$dir/bus.conf" -- "$@"
status=$?
rm -rf "$dir"
exit "$status"
