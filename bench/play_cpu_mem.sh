#!/usr/bin/env bash
# Cost of playing a station: CPU time (user + system, all threads) and peak
# resident memory (VmHWM) of the program playing the local 128 kbit/s MP3 tone,
# beside gst-launch-1.0 playbin on the same stream (the anchor). Both play at the
# same time, each into a null sink of its own, and are measured over the same window
# once the program's sound flows. One shared sink would run at the shorter latency
# the two ask for, so each player's cost would depend on the other's settings.
#
# Usage: bench/play_cpu_mem.sh [seconds]   (default 60)
# Uses SONAVEO_TEST_STREAM when set; otherwise starts PulseAudio (or reuses it),
# Icecast and the tone source itself and stops what it started.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
SECONDS_TO_MEASURE=${1:-60}

if [ -z "${SONAVEO_TEST_STREAM:-}" ]; then
  source "$HERE/../scripts/lib.sh"
  source "$HERE/../scripts/servers.sh"
  source "$HERE/../scripts/icecast.sh"
  start_sound
  trap stop_test_servers EXIT
  start_icecast
  start_tone_source
fi
BUILD=${BUILD:-$HERE/../build}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# Null sinks of the benchmark's own, off the sink the tests record.
PROGRAM_SINK=sonaveo_bench_sink
ANCHOR_SINK=sonaveo_bench_anchor_sink
sink_modules=()
for sink in $PROGRAM_SINK $ANCHOR_SINK; do
  if ! pactl list short sinks | grep -q "$sink"; then
    sink_modules+=("$(pactl load-module module-null-sink sink_name=$sink)")
  fi
done

source "$(dirname "$0")/cputime.sh"
peak_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }

# A mount whose source has just connected has nothing to send ahead: a listener
# then gets the stream in the source's small pieces as they come, which costs this
# program about twice its usual CPU and gst-launch nothing more (gst-launch fills
# its buffer first). Stations send a burst of seconds on connect, so both players
# start once the mount holds its burst (65535 bytes, about four seconds).
for _ in $(seq 100); do
  got=$(curl -s -o /dev/null -w '%{size_download}' --max-time 0.3 "$SONAVEO_TEST_STREAM" || true)
  [ "${got%.*}" -ge 60000 ] 2>/dev/null && break
  sleep 0.2
done

work=$(mktemp -d)
(cd "$work" && PULSE_SINK=$PROGRAM_SINK exec "$BUILD/play_station" "$SONAVEO_TEST_STREAM") >"$work/program.out" 2>"$work/program.err" &
program=$!
PULSE_SINK=$ANCHOR_SINK gst-launch-1.0 -q playbin uri="$SONAVEO_TEST_STREAM" >"$work/anchor.out" 2>&1 &
anchor=$!
cleanup_players() {
  kill "$program" "$anchor" 2>/dev/null || true
  wait "$program" "$anchor" 2>/dev/null || true
  rm -rf "$work"
  for module in "${sink_modules[@]}"; do pactl unload-module "$module"; done
}
trap 'cleanup_players; if declare -F stop_test_servers >/dev/null; then stop_test_servers; fi' EXIT

for _ in $(seq 100); do
  grep -q playing "$work/program.out" && break
  sleep 0.1
done
if ! grep -q playing "$work/program.out"; then
  echo "the program did not start playing:"; cat "$work/program.err"; exit 1
fi
sleep 1 # both past their start-up

p0=$(cpu_ns $program); a0=$(cpu_ns $anchor)
sleep "$SECONDS_TO_MEASURE"
p1=$(cpu_ns $program); a1=$(cpu_ns $anchor)
pm=$(peak_kb $program); am=$(peak_kb $anchor)

awk -v p0="$p0" -v p1="$p1" -v a0="$a0" -v a1="$a1" -v pm="$pm" -v am="$am" \
    -v t=1e9 -v s="$SECONDS_TO_MEASURE" 'BEGIN {
  pc = (p1 - p0) / t; ac = (a1 - a0) / t
  printf "playing the 128 kbit/s MP3 stream for %d s\n", s
  printf "                 CPU time     share of a core   peak memory (VmHWM)\n"
  printf "  sonaveo        %6.2f s     %6.2f %%          %7.1f MB\n", pc, 100 * pc / s, pm / 1024
  printf "  gst-launch     %6.2f s     %6.2f %%          %7.1f MB   (anchor)\n", ac, 100 * ac / s, am / 1024
  if (ac > 0) printf "  CPU ratio      %6.2f  (target <= 1.30)\n", pc / ac
  else        printf "  CPU ratio      n/a (the anchor used no measurable CPU)\n"
  printf "  memory above   %+6.1f MB  (target <= +40 MB), ratio %.2f\n", (pm - am) / 1024, pm / am
}'
