# Shared set-up for scripts/run and scripts/test: installs what is missing with
# apt-get and builds the program. Source it; it sets ROOT and BUILD.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

# Packages needed to build and run.
RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-wayland libgl-dev libxcb-cursor0
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libtotem-plparser-dev glib-networking
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-pulseaudio gstreamer1.0-tools
  fonts-liberation fonts-dejavu-core
)
# Packages the tests and benchmarks need on top.
TEST_PACKAGES=(
  libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick libx11-dev
  pulseaudio pulseaudio-utils icecast2 curl python3 openssl
  appstream desktop-file-utils man-db dbus playerctl weston
  # The sound of a GNOME desktop on Debian 12: PipeWire, its PulseAudio side and
  # GStreamer's PipeWire plugin, for the tests that play and record through it.
  pipewire pipewire-pulse wireplumber gstreamer1.0-pipewire
)

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_if_needed apt-get update -qq
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build_program() {
  local type=${1:-RelWithDebInfo}
  export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
  if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type"
  fi
  cmake --build "$BUILD" --parallel "$(nproc)"
}
