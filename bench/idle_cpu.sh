#!/usr/bin/env bash
# Idle cost: CPU time the running program uses over 30 s with the LED matrix
# scrolling and the clock and animation running, as a share of one core, beside
# the same figure for the minimal window (the anchor). Needs a display and a
# sound server: run it after scripts/test has started them, or under
# xvfb-run with PulseAudio up.
set -euo pipefail
BUILD=${BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}
SECONDS_TO_MEASURE=${1:-30}

source "$(dirname "$0")/cputime.sh"

measure() {
  local dir; dir=$(mktemp -d)
  (cd "$dir" && SONAVEO_DATA_DIR=$dir exec "$@") >/dev/null 2>&1 &
  local pid=$!
  sleep 3
  local before; before=$(cpu_ns $pid)
  sleep "$SECONDS_TO_MEASURE"
  local after; after=$(cpu_ns $pid)
  kill $pid; wait $pid 2>/dev/null || true
  rm -rf "$dir"
  awk -v a="$after" -v b="$before" -v t=1e9 -v s="$SECONDS_TO_MEASURE" 'BEGIN { printf "%.3f", 100 * (a - b) / t / s }'
}

program=$(measure "$BUILD/sonaveo")
anchor=$(measure "$BUILD/minimal_window")
echo "idle CPU over ${SECONDS_TO_MEASURE} s (share of one core)"
echo "  sonaveo          ${program} %  (target <= 0.3 %)"
echo "  minimal window   ${anchor} %  (anchor)"
