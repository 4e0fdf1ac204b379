# Stream servers for the end-to-end tests: Icecast 2 on 127.0.0.1 and a 440 Hz
# MP3 tone fed into it with gst-launch-1.0 ... ! shout2send. Source it after
# lib.sh; start_icecast, then start_tone_source, and stop_test_servers at the end.
# Exports SONAVEO_TEST_STREAM with the tone's URL.

# stop_test_servers and the list of started servers.
source "$(dirname "${BASH_SOURCE[0]}")/servers.sh"

# A TCP port nothing listens on right now, chosen by the kernel.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

start_icecast() {
  ICECAST_DIR=$(mktemp -d /tmp/sonaveo-icecast.XXXXXX)
  ICECAST_PORT=$(free_port)
  ICECAST_PASSWORD=sonaveo-$RANDOM$RANDOM
  mkdir -p "$ICECAST_DIR/log"
  local owner=""
  # Icecast refuses to run as root unless it drops to another user; the logs are
  # opened after it has, so that user must be able to write the log folder.
  if [ "$(id -u)" -eq 0 ]; then
    owner="<changeowner><user>nobody</user><group>nogroup</group></changeowner>"
    chown nobody:nogroup "$ICECAST_DIR/log"
    chmod 711 "$ICECAST_DIR" # mktemp's 700 would keep nobody out of the log folder
  fi
  cat >"$ICECAST_DIR/icecast.xml" <<XML
<icecast>
  <location>test</location>
  <admin>test@localhost</admin>
  <hostname>127.0.0.1</hostname>
  <limits>
    <clients>20</clients>
    <sources>4</sources>
    <queue-size>524288</queue-size>
    <client-timeout>30</client-timeout>
    <header-timeout>15</header-timeout>
    <source-timeout>10</source-timeout>
    <burst-on-connect>1</burst-on-connect>
    <burst-size>65535</burst-size>
  </limits>
  <authentication>
    <source-password>$ICECAST_PASSWORD</source-password>
    <relay-password>$ICECAST_PASSWORD</relay-password>
    <admin-user>admin</admin-user>
    <admin-password>$ICECAST_PASSWORD</admin-password>
  </authentication>
  <listen-socket>
    <port>$ICECAST_PORT</port>
    <bind-address>127.0.0.1</bind-address>
  </listen-socket>
  <fileserve>1</fileserve>
  <paths>
    <basedir>/usr/share/icecast2</basedir>
    <logdir>$ICECAST_DIR/log</logdir>
    <webroot>/usr/share/icecast2/web</webroot>
    <adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging>
    <accesslog>access.log</accesslog>
    <errorlog>error.log</errorlog>
    <loglevel>3</loglevel>
  </logging>
  <security>
    <chroot>0</chroot>
    $owner
  </security>
</icecast>
XML
  # Kept running for the whole test run: a stream server that went away in the
  # middle would fail every test after it.
  keep_running "Icecast" icecast2 -c "$ICECAST_DIR/icecast.xml" &
  SONAVEO_SERVER_PIDS+=($!)
  for _ in $(seq 50); do
    curl -sf -o /dev/null "http://127.0.0.1:$ICECAST_PORT/style.css" && return 0
    sleep 0.1
  done
  echo "Icecast did not start (see $ICECAST_DIR)"
  return 1
}

# Runs a command and starts it again whenever it ends, saying so on standard
# error, until this shell is told to end (TERM), which ends the command too.
# Icecast 2.4 has been seen to die of a segmentation fault as a source
# connected, and to drop its source in the middle of a run; the tone source
# then ends with an error and connects again once started anew.
keep_running() {
  local name=$1 child="" status
  shift
  trap '[ -z "$child" ] || kill "$child" 2>/dev/null; wait 2>/dev/null; exit 0' TERM INT
  while true; do
    echo "--- started at $(date +%T)" >>"$ICECAST_DIR/$name.log"
    "$@" >>"$ICECAST_DIR/$name.log" 2>&1 &
    child=$!
    wait "$child" && status=0 || status=$?
    echo "$name ended (status $status); starting it again" >&2
    tail -n 3 "$ICECAST_DIR/$name.log" >&2 || true
    sleep 0.5
  done
}

start_tone_source() {
  keep_running "tone" gst-launch-1.0 -q audiotestsrc is-live=true freq=440 wave=sine volume=0.5 ! audioconvert \
    ! lamemp3enc target=bitrate cbr=true bitrate=128 \
    ! shout2send ip=127.0.0.1 port="$ICECAST_PORT" mount=/tone.mp3 password="$ICECAST_PASSWORD" &
  SONAVEO_SERVER_PIDS+=($!)
  export SONAVEO_TEST_STREAM="http://127.0.0.1:$ICECAST_PORT/tone.mp3"
  # The mount exists once the source is connected; wait until a listener gets audio.
  for _ in $(seq 100); do
    if [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 0.5 "$SONAVEO_TEST_STREAM")" = 200 ]; then
      return 0
    fi
    sleep 0.1
  done
  echo "The tone source did not reach Icecast (see $ICECAST_DIR/tone.log)"
  return 1
}
