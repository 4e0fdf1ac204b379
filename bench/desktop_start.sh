#!/usr/bin/env bash
# Start on the desktop beside the players a listener would compare Sonaveo with
# (see desktop_start.cpp). Gives the bench a display, a sound server and a
# session bus of its own, so nothing else running on the machine is in the
# picture; installs the peers (audacious, vlc, qmmp) when they are missing.
# As root everything runs as the user nobody: a listener is no root, and VLC
# refuses to start as root.
#   bench/desktop_start.sh [runs]   (7)
#   bench/desktop_start.sh runs OTHER_BUILD...   this build's program against
#     other builds' (their sonaveo and its engine module), without the peers
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build}
RUNS=${1:-7}
OTHERS=("${@:2}")

if [ "$(id -u)" -eq 0 ]; then
  source "$ROOT/scripts/lib.sh"
  install_missing audacious vlc qmmp xvfb pulseaudio dbus
  # Other users may not enter a folder under root's home; the build is copied
  # where nobody can read it.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$BUILD/sonaveo" "$BUILD/libsonaveo-engine.so" "$BUILD/minimal_window" "$BUILD/desktop_start" "$work/"
  cp "$0" "$work/desktop_start.sh"
  copies=()
  for i in "${!OTHERS[@]}"; do
    echo "other build $((i + 1)): ${OTHERS[i]}"
    mkdir "$work/other$i"
    cp "${OTHERS[i]}/sonaveo" "$work/other$i/"
    [ ! -e "${OTHERS[i]}/libsonaveo-engine.so" ] || cp "${OTHERS[i]}/libsonaveo-engine.so" "$work/other$i/"
    copies+=("$work/other$i")
  done
  chown -R nobody:nogroup "$work"
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" HOME="$work" BUILD="$work" LANG=C.UTF-8 bash "$work/desktop_start.sh" "$RUNS" "${copies[@]}"
  exit
fi

own=$(mktemp -d)
export XDG_RUNTIME_DIR=$own/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$own"
}
trap cleanup EXIT

exec 3<> "$own/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$own/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$own/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$own/display")

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  --load="module-native-protocol-unix" --load="module-null-sink sink_name=bench_sink" \
  --log-target=file:"$own/pulse.log" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done

programs=()
for other in "${OTHERS[@]}"; do programs+=("$other/sonaveo"); done
dbus-run-session -- "$BUILD/desktop_start" "$RUNS" "${programs[@]}"
