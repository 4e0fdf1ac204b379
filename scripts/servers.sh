# Starts the servers the tests use, each only when it is not running yet:
# an X server (Xvfb) when there is no display, PulseAudio with a null sink
# whose monitor the end-to-end tests record, and a Wayland desktop (weston);
# beside PulseAudio, start_pipewire starts a PipeWire sound server of the
# tests' own. Source it after lib.sh.
# What these scripts start is stopped by stop_test_servers, by process id;
# servers that were already running are left alone, and a running sound
# server gets back the default sink and source it had before.

if ! declare -p SONAVEO_SERVER_PIDS >/dev/null 2>&1; then
  SONAVEO_SERVER_PIDS=()
fi

stop_test_servers() {
  local i pid
  # Last started first: the stream servers, then the sound server, then the display.
  for ((i = ${#SONAVEO_SERVER_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${SONAVEO_SERVER_PIDS[i]}" 2>/dev/null || true
  done
  for pid in "${SONAVEO_SERVER_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  SONAVEO_SERVER_PIDS=()
  restore_sound_defaults
  unset SONAVEO_TEST_STREAM
  if [ -n "${ICECAST_DIR:-}" ]; then rm -rf "$ICECAST_DIR"; fi
  if [ -n "${STATION_SERVER_DIR:-}" ]; then rm -rf "$STATION_SERVER_DIR"; fi
  if [ -n "${WESTON_DIR:-}" ]; then rm -rf "$WESTON_DIR"; fi
  unset SONAVEO_TEST_WAYLAND_DISPLAY SONAVEO_TEST_WAYLAND_X_DISPLAY WESTON_DIR
  if [ -n "${PIPEWIRE_TEST_DIR:-}" ]; then rm -rf "$PIPEWIRE_TEST_DIR"; fi
  unset PIPEWIRE_TEST_DIR SONAVEO_TEST_PIPEWIRE_DIR SONAVEO_TEST_PIPEWIRE_PULSE_SERVER SONAVEO_TEST_PIPEWIRE_BUS
  unset SONAVEO_TEST_PIPEWIRE_MISSING
  unset SONAVEO_STATION_SERVER SONAVEO_STATION_SERVER_TLS SONAVEO_STATION_SERVER_WRONG_TLS SONAVEO_TEST_CA
}

start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  export DISPLAY=:${SONAVEO_TEST_DISPLAY:-97}
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/tmp/sonaveo-xvfb.log 2>&1 &
    SONAVEO_SERVER_PIDS+=($!)
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start (see /tmp/sonaveo-xvfb.log)"; exit 1; }
}

start_sound() {
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/sonaveo-runtime-$(id -u)}
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if pactl info >/dev/null 2>&1; then
    pactl list short sinks | grep -q sonaveo_sink ||
      pactl load-module module-null-sink sink_name=sonaveo_sink >/dev/null
  else
    # In the background rather than daemonized, so its id is known and it can
    # be stopped when the tests are done.
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
      --load="module-native-protocol-unix" \
      --load="module-null-sink sink_name=sonaveo_sink" \
      --log-target=file:/tmp/sonaveo-pulse.log >/dev/null 2>&1 &
    SONAVEO_SERVER_PIDS+=($!)
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start (see /tmp/sonaveo-pulse.log)"; exit 1; }
  remember_sound_defaults
  pactl set-default-sink sonaveo_sink
  pactl set-default-source sonaveo_sink.monitor
}

# The sound server's default sink or source ("sink" or "source"); empty when
# it cannot tell.
sound_default() {
  pactl "get-default-$1" 2>/dev/null ||
    LC_ALL=C pactl info 2>/dev/null | sed -n "s/^Default ${1^}: //p"
}

# Notes the desktop's defaults once, before the tests point them at the null
# sink; a second start keeps the first note, not the test's own sink.
remember_sound_defaults() {
  if [ -z "${SONAVEO_SAVED_SINK+set}" ]; then
    SONAVEO_SAVED_SINK=$(sound_default sink || true)
    SONAVEO_SAVED_SOURCE=$(sound_default source || true)
  fi
}

# Gives a sound server that outlives the tests its defaults back. One these
# scripts started has been stopped by now, so there is nothing to reach.
restore_sound_defaults() {
  if [ -n "${SONAVEO_SAVED_SINK+set}" ] && pactl info >/dev/null 2>&1; then
    case "$SONAVEO_SAVED_SINK" in
      "" | sonaveo_sink) ;;
      *) pactl set-default-sink "$SONAVEO_SAVED_SINK" || true ;;
    esac
    case "$SONAVEO_SAVED_SOURCE" in
      "" | sonaveo_sink.monitor) ;;
      *) pactl set-default-source "$SONAVEO_SAVED_SOURCE" || true ;;
    esac
  fi
  unset SONAVEO_SAVED_SINK SONAVEO_SAVED_SOURCE
}

# A Wayland desktop for the tests that run the program under Wayland: weston
# with its desktop shell, drawn by weston's X11 backend into an X server of its
# own. The tests see weston's screen with `import` and work its pointer and
# keyboard with xdotool on that X server, and nothing of it shows on the
# display the other tests use. Exports SONAVEO_TEST_WAYLAND_DISPLAY (weston's
# socket in XDG_RUNTIME_DIR, so start_sound comes first) and
# SONAVEO_TEST_WAYLAND_X_DISPLAY. Without weston installed nothing starts.
#
# The X server is larger than weston's window: weston's X11 backend takes the
# pointer's absolute place only when the pointer enters its window and follows
# the motion in between, so the tests bring the pointer in from outside.
start_weston() {
  command -v weston >/dev/null || return 0
  if [ -n "${SONAVEO_TEST_WAYLAND_DISPLAY:-}" ] && [ -S "$XDG_RUNTIME_DIR/$SONAVEO_TEST_WAYLAND_DISPLAY" ]; then
    return
  fi
  WESTON_DIR=$(mktemp -d /tmp/sonaveo-weston.XXXXXX)
  # A plain background in a known colour, no panel, no animations, no
  # on-screen keyboard and no screen blanking: what the tests compare stays still.
  cat >"$WESTON_DIR/weston.ini" <<'INI'
[core]
idle-time=0

[shell]
background-color=0xff10e020
panel-position=none
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none

[input-method]
path=
INI
  # Xvfb picks a free display number and writes it to the descriptor.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$WESTON_DIR/display" >/tmp/sonaveo-weston-xvfb.log 2>&1 &
  SONAVEO_SERVER_PIDS+=($!)
  local number=""
  for _ in $(seq 50); do
    number=$(cat "$WESTON_DIR/display" 2>/dev/null || true)
    [ -n "$number" ] && break
    sleep 0.1
  done
  [ -n "$number" ] || { echo "Xvfb for weston did not start (see /tmp/sonaveo-weston-xvfb.log)"; exit 1; }
  export SONAVEO_TEST_WAYLAND_X_DISPLAY=:$number
  local socket=sonaveo-test-wayland
  DISPLAY=$SONAVEO_TEST_WAYLAND_X_DISPLAY weston --backend=x11-backend.so --use-pixman \
    --width=1024 --height=768 --socket="$socket" --config="$WESTON_DIR/weston.ini" \
    --log=/tmp/sonaveo-weston.log >/dev/null 2>&1 &
  local pid=$!
  SONAVEO_SERVER_PIDS+=("$pid")
  # Up once its window is on its X server; a socket left by another weston
  # does not count.
  local up=""
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    if [ -S "$XDG_RUNTIME_DIR/$socket" ] &&
      DISPLAY=$SONAVEO_TEST_WAYLAND_X_DISPLAY xdotool search --class '^Weston Compositor$' >/dev/null 2>&1; then
      up=yes
      break
    fi
    sleep 0.1
  done
  [ -n "$up" ] || { echo "weston did not start (see /tmp/sonaveo-weston.log)"; exit 1; }
  export SONAVEO_TEST_WAYLAND_DISPLAY=$socket
}

# A PipeWire sound server as a GNOME desktop of Debian 12 has it, beside the
# PulseAudio above and never in its place: pipewire, its session manager
# wireplumber and pipewire-pulse, which serves PulseAudio's clients, each started
# by process id in a runtime folder of their own, so that their sockets
# (pipewire-0, pulse/native) meet nothing of PulseAudio's. wireplumber wants a
# session bus: it gets one of its own, as there may be none here. In PipeWire go
# a null sink to play into and a virtual microphone, the sink the default output
# and its monitor the default input, as start_sound does with PulseAudio.
# Exports for the tests:
#   SONAVEO_TEST_PIPEWIRE_DIR            the runtime folder (a desktop's XDG_RUNTIME_DIR)
#   SONAVEO_TEST_PIPEWIRE_PULSE_SERVER   pipewire-pulse's address for PULSE_SERVER
#   SONAVEO_TEST_PIPEWIRE_BUS            the session bus's address
# When PipeWire is not installed or does not start, SONAVEO_TEST_PIPEWIRE_MISSING
# says why instead, and the tests that need it skip with that reason.
PIPEWIRE_SINK=sonaveo_pw_sink
PIPEWIRE_SINK_DESCRIPTION="Sonaveo PipeWire Sink"
PIPEWIRE_MIC=sonaveo_pw_mic
PIPEWIRE_MIC_DESCRIPTION="Sonaveo PipeWire Microphone"

start_pipewire() {
  local log=/tmp/sonaveo-pipewire.log program
  unset SONAVEO_TEST_PIPEWIRE_MISSING
  for program in pipewire wireplumber pipewire-pulse dbus-daemon pactl; do
    if ! command -v "$program" >/dev/null; then
      export SONAVEO_TEST_PIPEWIRE_MISSING="$program is not installed"
      echo "PipeWire tests skip: $SONAVEO_TEST_PIPEWIRE_MISSING"
      return 0
    fi
  done
  PIPEWIRE_TEST_DIR=$(mktemp -d /tmp/sonaveo-pipewire.XXXXXX)
  chmod 700 "$PIPEWIRE_TEST_DIR"
  local dir=$PIPEWIRE_TEST_DIR
  mkdir -p "$dir/config" "$dir/state"
  local server="unix:$dir/pulse/native" bus="unix:path=$dir/bus"
  : >"$log"
  # What the caller's environment says about other sound servers, displays or
  # buses must not lead these astray; the folders for settings and remembered
  # state are the set-up's own, so the tests start from PipeWire's defaults.
  local -a env=(env -u PULSE_SERVER -u PIPEWIRE_REMOTE -u DISPLAY -u WAYLAND_DISPLAY
    XDG_RUNTIME_DIR="$dir" PIPEWIRE_RUNTIME_DIR="$dir" PULSE_RUNTIME_PATH="$dir/pulse"
    XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state" DBUS_SESSION_BUS_ADDRESS="$bus")
  "${env[@]}" dbus-daemon --session --nofork --address="$bus" >>"$log" 2>&1 &
  SONAVEO_SERVER_PIDS+=($!)
  wait_for_socket "$dir/bus" || { pipewire_failed "the session bus did not start"; return 0; }
  "${env[@]}" pipewire >>"$log" 2>&1 &
  SONAVEO_SERVER_PIDS+=($!)
  wait_for_socket "$dir/pipewire-0" || { pipewire_failed "pipewire did not start"; return 0; }
  "${env[@]}" wireplumber >>"$log" 2>&1 &
  SONAVEO_SERVER_PIDS+=($!)
  "${env[@]}" pipewire-pulse >>"$log" 2>&1 &
  SONAVEO_SERVER_PIDS+=($!)
  local -a pactl=(env LC_ALL=C pactl --server="$server")
  for _ in $(seq 100); do "${pactl[@]}" info >/dev/null 2>&1 && break; sleep 0.1; done
  "${pactl[@]}" info 2>/dev/null | grep -q "on PipeWire" ||
    { pipewire_failed "pipewire-pulse did not answer"; return 0; }
  "${pactl[@]}" load-module module-null-sink sink_name="$PIPEWIRE_SINK" \
    "sink_properties='device.description=\"$PIPEWIRE_SINK_DESCRIPTION\"'" >/dev/null &&
  "${pactl[@]}" load-module module-null-sink sink_name="$PIPEWIRE_MIC" media.class=Audio/Source/Virtual \
    "sink_properties='device.description=\"$PIPEWIRE_MIC_DESCRIPTION\"'" >/dev/null ||
    { pipewire_failed "pipewire-pulse made no null sink"; return 0; }
  # The defaults are kept by wireplumber, which takes a moment to come up
  # after pipewire-pulse; until then pactl is told "Not supported".
  for _ in $(seq 100); do
    "${pactl[@]}" set-default-sink "$PIPEWIRE_SINK" 2>/dev/null &&
      "${pactl[@]}" set-default-source "$PIPEWIRE_SINK.monitor" 2>/dev/null &&
      "${pactl[@]}" info | grep -q "^Default Source: $PIPEWIRE_SINK.monitor$" && break
    sleep 0.1
  done
  "${pactl[@]}" info | grep -q "^Default Source: $PIPEWIRE_SINK.monitor$" ||
    { pipewire_failed "wireplumber did not take the null sink as the default"; return 0; }
  export SONAVEO_TEST_PIPEWIRE_DIR=$dir
  export SONAVEO_TEST_PIPEWIRE_PULSE_SERVER=$server
  export SONAVEO_TEST_PIPEWIRE_BUS=$bus
}

# Waits up to five seconds for a socket to appear.
wait_for_socket() {
  for _ in $(seq 50); do [ -S "$1" ] && return 0; sleep 0.1; done
  [ -S "$1" ]
}

# Says why PipeWire is not there for the tests; what was started of it is
# stopped with the other servers at the end.
pipewire_failed() {
  export SONAVEO_TEST_PIPEWIRE_MISSING="$1 (see /tmp/sonaveo-pipewire.log)"
  echo "PipeWire tests skip: $SONAVEO_TEST_PIPEWIRE_MISSING"
}
