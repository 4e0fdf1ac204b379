#!/usr/bin/env bash
# Cost of recording: CPU time (user + system, all threads) and peak resident
# memory (VmHWM) of the program recording 44100 Hz, 16 bit, stereo through its own
# recorder (bench/record_station.cpp), beside gst-launch-1.0 pulsesrc ! wavenc !
# filesink recording the same source (the anchor). A 1 kHz tone plays into a null
# sink of this benchmark's own; both record its monitor at the same time and are
# measured over the same window once the program's file grows. A third process
# shows the same windows without recording, so the cost of recording itself
# (sonaveo minus its idle windows) can be read beside the anchor too.
#
# Usage: bench/record_cpu.sh [seconds]   (default 60)
# Starts PulseAudio when none is running (scripts/servers.sh); the sink it loads
# is unloaded at the end, and the server's default source is left as it is: the
# program is pointed at the monitor with PULSE_SOURCE.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
SECONDS_TO_MEASURE=${1:-60}

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/sonaveo-runtime-$(id -u)}
if ! pactl info >/dev/null 2>&1; then
  source "$HERE/../scripts/lib.sh"
  source "$HERE/../scripts/servers.sh"
  start_sound
fi
BUILD=${BUILD:-$HERE/../build}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

BENCH_SINK=sonaveo_bench_reccpu_sink
sink_module=""
if ! pactl list short sinks | grep -q "$BENCH_SINK"; then
  sink_module=$(pactl load-module module-null-sink sink_name=$BENCH_SINK format=s16le rate=44100 channels=2)
fi

source "$(dirname "$0")/cputime.sh"
peak_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }

work=$(mktemp -d)
tone="" program="" anchor="" idle=""
cleanup() {
  for pid in $program $anchor $idle $tone; do kill "$pid" 2>/dev/null || true; done
  for pid in $program $anchor $idle $tone; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
  if [ -n "$sink_module" ]; then pactl unload-module "$sink_module"; fi
  if declare -F stop_test_servers >/dev/null; then stop_test_servers; fi
}
trap cleanup EXIT

gst-launch-1.0 -q audiotestsrc is-live=true freq=1000 volume=0.5 ! \
  pulsesink device=$BENCH_SINK client-name=sonaveo-bench-tone >"$work/tone.out" 2>&1 &
tone=$!
sleep 0.5

# The working folder is the program's data folder: its settings stay in $work.
(cd "$work" && PULSE_SOURCE=$BENCH_SINK.monitor PULSE_SINK=$BENCH_SINK \
  exec "$BUILD/record_station" "$work/program.wav") >"$work/program.out" 2>"$work/program.err" &
program=$!
gst-launch-1.0 -q pulsesrc device=$BENCH_SINK.monitor ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! \
  wavenc ! filesink location="$work/anchor.wav" >"$work/anchor.out" 2>&1 &
anchor=$!
mkdir "$work/idle"
(cd "$work/idle" && PULSE_SOURCE=$BENCH_SINK.monitor PULSE_SINK=$BENCH_SINK \
  exec "$BUILD/record_station" --idle) >"$work/idle.out" 2>"$work/idle.err" &
idle=$!

for _ in $(seq 100); do
  grep -q recording "$work/program.out" && grep -q idle "$work/idle.out" && break
  sleep 0.1
done
if ! grep -q recording "$work/program.out"; then
  echo "the program did not start recording:"; cat "$work/program.err"; exit 1
fi
if ! grep -q idle "$work/idle.out"; then
  echo "the idle windows did not come up:"; cat "$work/idle.err"; exit 1
fi
sleep 1 # both past their start-up

p0=$(cpu_ns $program); a0=$(cpu_ns $anchor); i0=$(cpu_ns $idle)
ps0=$(stat -c %s "$work/program.wav"); as0=$(stat -c %s "$work/anchor.wav")
sleep "$SECONDS_TO_MEASURE"
p1=$(cpu_ns $program); a1=$(cpu_ns $anchor); i1=$(cpu_ns $idle)
ps1=$(stat -c %s "$work/program.wav"); as1=$(stat -c %s "$work/anchor.wav")
pm=$(peak_kb $program); am=$(peak_kb $anchor)

awk -v p0="$p0" -v p1="$p1" -v a0="$a0" -v a1="$a1" -v i0="$i0" -v i1="$i1" -v pm="$pm" -v am="$am" \
    -v pb=$((ps1 - ps0)) -v ab=$((as1 - as0)) -v t=1e9 -v s="$SECONDS_TO_MEASURE" 'BEGIN {
  pc = (p1 - p0) / t; ac = (a1 - a0) / t; ic = (i1 - i0) / t
  printf "recording 44100 Hz 16 bit stereo for %d s\n", s
  printf "                 CPU time     share of a core   peak memory (VmHWM)   written\n"
  printf "  sonaveo        %6.2f s     %6.2f %%          %7.1f MB            %6.2f s of sound\n", pc, 100 * pc / s, pm / 1024, pb / 176400
  printf "  gst-launch     %6.2f s     %6.2f %%          %7.1f MB            %6.2f s of sound   (anchor)\n", ac, 100 * ac / s, am / 1024, ab / 176400
  printf "  sonaveo idle   %6.2f s     %6.2f %%          (the same windows, not recording)\n", ic, 100 * ic / s
  if (ac > 0) printf "  CPU ratio      %6.2f  (target <= 1.50); recording alone (sonaveo - idle) / anchor %.2f\n", pc / ac, (pc - ic) / ac
  else        printf "  CPU ratio      n/a (the anchor used no measurable CPU)\n"
  printf "  memory above   %+6.1f MB, ratio %.2f\n", (pm - am) / 1024, pm / am
}'
