#!/usr/bin/env bash
# Tune to first sound on every kind of station: MP3, AAC, Ogg Vorbis, Ogg Opus,
# HLS and a PLS playlist from the local station server, for the program beside
# mpv and gst-launch-1.0 playbin (the anchors), each run from launch to the first
# tone on a null sink's monitor, with the server's first audio byte beside them.
# Medians of each case's runs, and the program's ratios to both anchors. Then
# the CPU seconds gst-launch (and the program) spend playing the AAC stream and
# the HLS playlist.
#
# The program's figures:
#   sonaveo launch  build/play_station URL, timed like the anchors from launch
#                   (SONAVEO_PLAY_STATION overrides the path)
#   sonaveo tune    $SONAVEO_TUNE_BENCH --url URL RUNS (default
#                   build/tune_to_first_sound), timed inside the program from
#                   the main window's TuneStation; one line per run, as
#                   "run N: ... sonaveo first sound <ms> ms ..."
#
# Usage: bench/stream_first_sound.sh [runs] [CPU seconds]   (5, 20)
# SONAVEO_BENCH_CASES=MP3,HLS (say) measures only those cases.
# Uses SONAVEO_STATION_SERVER when set; otherwise starts PulseAudio (or reuses
# it) and the station server itself, and stops what it started.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
RUNS=${1:-5}
CPU_SECONDS=${2:-20}
GIVEN_BUILD=${BUILD:-}

source "$HERE/../scripts/lib.sh"
source "$HERE/../scripts/servers.sh"
source "$HERE/../scripts/stationserver.sh"
install_missing mpv pulseaudio-utils curl openssl
# lib.sh sets BUILD to the project's build folder; one given by the caller wins.
export BUILD=${GIVEN_BUILD:-$BUILD}

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/sonaveo-runtime-$(id -u)}
started_here=""
cleanup() {
  if [ -n "${sink_module:-}" ]; then pactl unload-module "$sink_module" || true; fi
  if [ -n "$started_here" ]; then
    stop_test_servers
    # The station server's folder, when stop_test_servers does not remove it itself.
    if [ -n "${STATION_SERVER_DIR:-}" ]; then rm -rf "$STATION_SERVER_DIR"; fi
  fi
}
trap cleanup EXIT
if ! pactl info >/dev/null 2>&1; then
  started_here=1
  start_sound
fi
if [ -z "${SONAVEO_STATION_SERVER:-}" ]; then
  started_here=1
  start_station_server
fi

# A null sink of this benchmark's own: what the players play neither reaches
# nor hears a test recording sonaveo_sink on the same sound server.
BENCH_SINK=sonaveo_bench_tune_sink
sink_module=""
if ! pactl list short sinks | grep -q "$BENCH_SINK"; then
  sink_module=$(pactl load-module module-null-sink sink_name=$BENCH_SINK format=s16le rate=44100 channels=2)
fi

python3 "$HERE/stream_first_sound.py" --runs "$RUNS" --cpu-seconds "$CPU_SECONDS" --sink "$BENCH_SINK" \
  ${SONAVEO_BENCH_CASES:+--cases "$SONAVEO_BENCH_CASES"}
