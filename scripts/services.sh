# Sourced by the test and benchmark scripts: starts a private PulseAudio
# server with a null sink, an Xvfb display and a D-Bus session bus, and
# stops exactly those processes (by pid) on exit. NORRAVA_XVFB_SCREEN sets
# the Xvfb screen (default 1280x1024x24).

NORRAVA_RUNTIME=$(mktemp -d /tmp/norrava-run.XXXXXX)
NORRAVA_PIDS=()

norrava_stop_services() {
  for pid in "${NORRAVA_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${NORRAVA_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$NORRAVA_RUNTIME"
}
trap norrava_stop_services EXIT

norrava_start_pulse() {
  local socket="$NORRAVA_RUNTIME/pulse/native"
  mkdir -p "$NORRAVA_RUNTIME/pulse"
  HOME="$NORRAVA_RUNTIME" XDG_RUNTIME_DIR="$NORRAVA_RUNTIME/pulse" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
      --use-pid-file=no --system=no \
      --load="module-null-sink sink_name=norrava_null" \
      --load="module-native-protocol-unix auth-anonymous=1 socket=$socket" \
      >"$NORRAVA_RUNTIME/pulse.log" 2>&1 &
  NORRAVA_PIDS+=($!)
  export PULSE_SERVER="unix:$socket"
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "PulseAudio did not start:" >&2
  cat "$NORRAVA_RUNTIME/pulse.log" >&2
  return 1
}

norrava_start_xvfb() {
  local display
  for display in $(seq 90 130); do
    [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ] || break
  done
  Xvfb ":$display" -screen 0 "${NORRAVA_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset >"$NORRAVA_RUNTIME/xvfb.log" 2>&1 &
  NORRAVA_PIDS+=($!)
  export DISPLAY=":$display"
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start:" >&2
  cat "$NORRAVA_RUNTIME/xvfb.log" >&2
  return 1
}

# A session bus of our own, so that the players under test neither show up
# in the desktop's media controls nor hold its screen saver off. It starts
# no services: only what the tests put on it is there.
norrava_start_dbus() {
  local socket="$NORRAVA_RUNTIME/bus"
  cat >"$NORRAVA_RUNTIME/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$NORRAVA_RUNTIME/bus.conf" --nofork --nopidfile --nosyslog \
    >"$NORRAVA_RUNTIME/dbus.log" 2>&1 &
  NORRAVA_PIDS+=($!)
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$socket"
  for _ in $(seq 50); do
    dbus-send --session --dest=org.freedesktop.DBus --type=method_call --print-reply \
      /org/freedesktop/DBus org.freedesktop.DBus.GetId >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The D-Bus session bus did not start:" >&2
  cat "$NORRAVA_RUNTIME/dbus.log" >&2
  return 1
}
