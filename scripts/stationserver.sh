# The local station server for the end-to-end tests and benchmarks
# (tests/servers/stationserver.py): the tone in each codec a station sends, ICY
# titles, playlists, HLS, HTTPS with a trusted and a wrong certificate, and the
# ways a station fails. Source it after lib.sh; start_station_server, and
# stop_test_servers at the end. Exports:
#   SONAVEO_STATION_SERVER            http://127.0.0.1:PORT
#   SONAVEO_STATION_SERVER_TLS        https://localhost:PORT (certificate for localhost and 127.0.0.1)
#   SONAVEO_STATION_SERVER_WRONG_TLS  https://localhost:PORT (certificate for wrong.example)
#   SONAVEO_TEST_CA                   the CA both certificates come from; a test
#                                     trusts it through SSL_CERT_FILE
# SONAVEO_STATION_MEDIA, when set, is a folder that keeps the encoded tone
# between runs; otherwise it is made afresh (about two seconds).

# stop_test_servers and the list of started servers.
source "$(dirname "${BASH_SOURCE[0]}")/servers.sh"

STATION_SERVER_HOME=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/servers" && pwd)

start_station_server() {
  STATION_SERVER_DIR=$(mktemp -d /tmp/sonaveo-stations.XXXXXX)
  local dir=$STATION_SERVER_DIR
  if ! "$STATION_SERVER_HOME/make-test-certs.sh" "$dir/certs" >"$dir/certs.log" 2>&1; then
    echo "Could not make the test certificates (see $dir/certs.log)"
    return 1
  fi
  python3 "$STATION_SERVER_HOME/stationserver.py" \
    --media-dir "${SONAVEO_STATION_MEDIA:-$dir/media}" --port-file "$dir/port" \
    --tls-cert "$dir/certs/server.pem" --tls-key "$dir/certs/server.key" --tls-port-file "$dir/tls-port" \
    --wrong-cert "$dir/certs/wrong.pem" --wrong-key "$dir/certs/wrong.key" --wrong-port-file "$dir/wrong-port" \
    >"$dir/server.log" 2>&1 &
  local pid=$!
  SONAVEO_SERVER_PIDS+=($pid)
  # The port files appear once the server serves; the media come first.
  for _ in $(seq 200); do
    if [ -s "$dir/port" ] && [ -s "$dir/tls-port" ] && [ -s "$dir/wrong-port" ]; then
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! [ -s "$dir/port" ] || ! [ -s "$dir/tls-port" ] || ! [ -s "$dir/wrong-port" ]; then
    echo "The station server did not start within 20 s (see $dir/server.log):"
    tail -n 5 "$dir/server.log"
    return 1
  fi
  # A format whose encoder is missing has no route; say which.
  grep 'could not make' "$dir/server.log" || true
  export SONAVEO_STATION_SERVER="http://127.0.0.1:$(cat "$dir/port")"
  export SONAVEO_STATION_SERVER_TLS="https://localhost:$(cat "$dir/tls-port")"
  export SONAVEO_STATION_SERVER_WRONG_TLS="https://localhost:$(cat "$dir/wrong-port")"
  export SONAVEO_TEST_CA="$dir/certs/ca.pem"
}
