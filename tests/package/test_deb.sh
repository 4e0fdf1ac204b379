#!/bin/sh
# Installs the Debian package into a fresh Debian 12 (bookworm) chroot with apt,
# so every dependency comes from its Depends and nothing from this machine, then
# checks that the program runs there: it prints its version, the GStreamer
# plugins it plays with are present, and it starts on the offscreen platform
# and makes its data folder.
# Usage (as root): tests/package/test_deb.sh build-release/package/sonaveo_*.deb
# The chroot is made with debootstrap once and kept in $SONAVEO_TEST_CHROOT
# (default /var/tmp/sonaveo-bookworm); each run installs into a copy of it.
# Ends with status 77 (skipped) when a chroot cannot be made here.
set -u
deb=$(readlink -f "${1:?usage: test_deb.sh sonaveo_VERSION_ARCH.deb}")
base=${SONAVEO_TEST_CHROOT:-/var/tmp/sonaveo-bookworm}
mirror=${SONAVEO_TEST_MIRROR:-$(sed -n 's/^URIs: *\([^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)}
mirror=${mirror:-http://deb.debian.org/debian}

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ -f "$deb" ] || { echo "FAIL: no package at $1"; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "a chroot needs root"
command -v debootstrap >/dev/null || skip "debootstrap is not installed (apt install debootstrap)"

if [ ! -x "$base/usr/bin/apt-get" ]; then
  rm -rf "$base.part"
  if ! timeout 900 debootstrap --variant=minbase bookworm "$base.part" "$mirror" >"$base.log" 2>&1; then
    tail -n 5 "$base.log"
    skip "debootstrap of bookworm from $mirror failed (log: $base.log)"
  fi
  mv "$base.part" "$base"
fi

root=$(mktemp -d /var/tmp/sonaveo-deb-test.XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
cp "$deb" "$root/tmp/"
mount -t proc proc "$root/proc" || skip "cannot mount /proc in the chroot"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

in_root apt-get update -qq || skip "apt-get update in the chroot failed"
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1; then
  tail -n 20 "$root/tmp/install.log"
  echo "FAIL: apt-get install of the package"
  exit 1
fi

version=$(in_root sonaveo --version) || fail "sonaveo --version"
case $version in sonaveo\ *) ;; *) fail "sonaveo --version said: $version" ;; esac

# The elements a station needs, by the plugin files that hold them.
core=$(find "$root/usr/lib" -name libgstcoreelements.so | head -n 1)
[ -n "$core" ] || fail "GStreamer is not installed"
plugins=${core%/libgstcoreelements.so}
plugins=${plugins#"$root"}
for plugin in libgstplayback libgstsoup libgstaudioparsers libgstlibav libgsthls libgstpulseaudio \
  libgstmpg123 libgstvorbis libgstopus libgstogg libgstwavenc; do
  [ -f "$root$plugins/$plugin.so" ] || fail "the GStreamer plugin $plugin is missing"
done
[ -e "$root/usr/lib/$(basename "$(dirname "$plugins")")/gio/modules/libgiognutls.so" ] ||
  fail "glib-networking (https stations) is missing"
# On a Wayland desktop Qt loads its Wayland platform plugin.
[ -n "$(find "$root/usr/lib" -path '*/qt6/plugins/platforms/libqwayland-generic.so' | head -n 1)" ] ||
  fail "Qt's Wayland platform plugin (qt6-wayland) is missing"
# The windows are laid out in Liberation Sans; the package brings it along.
[ -f "$root/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf" ] ||
  fail "Liberation Sans (fonts-liberation), the face the windows are laid out in, is missing"

# Started for a moment without a display server or sound server: it must get as
# far as choosing and making its data folder and still run (no missing library,
# no crash); the timeout ends it.
in_root env QT_QPA_PLATFORM=offscreen XDG_DATA_HOME=/tmp/data timeout 20 sonaveo >"$root/tmp/run.log" 2>&1
status=$?
[ "$status" -eq 124 ] || { cat "$root/tmp/run.log"; fail "the program ended with status $status instead of running"; }
[ -d "$root/tmp/data/sonaveo" ] || fail "the program made no data folder"

# With the test servers up (a display, the sound server with its null sink and
# the tone stream, as scripts/test starts them: scripts/with-test-servers runs
# this script among them), the installed program also plays the stream. It runs
# in the chroot on the display, reaches the sound server over a local TCP port
# and a session bus of its own over an abstract socket (nothing of the machine
# is mounted into the chroot), is asked over that bus (MPRIS OpenUri) to tune
# the stream, and the tone is heard on the null sink's monitor.
played=""
if [ -n "${SONAVEO_TEST_STREAM:-}" ] && [ -n "${DISPLAY:-}" ] && pactl info >/dev/null 2>&1; then
  port=$((20000 + $$ % 20000))
  tcp_module=$(pactl load-module module-native-protocol-tcp port=$port listen=127.0.0.1 auth-ip-acl=127.0.0.1) ||
    fail "the sound server took no TCP port for the chroot"
  bus_address="unix:abstract=/tmp/sonaveo-deb-test-$$"
  dbus-daemon --session --nofork --address="$bus_address" >/dev/null 2>&1 &
  bus_pid=$!
  on_bus() { DBUS_SESSION_BUS_ADDRESS=$bus_address dbus-send --session --print-reply "$@" 2>/dev/null; }
  mkdir -m 700 "$root/tmp/runtime"
  chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" \
    PULSE_SERVER="tcp:127.0.0.1:$port" DBUS_SESSION_BUS_ADDRESS="$bus_address" \
    XDG_RUNTIME_DIR=/tmp/runtime XDG_DATA_HOME=/tmp/play sonaveo >"$root/tmp/play.log" 2>&1 &
  player=$!
  player_path=/org/mpris/MediaPlayer2
  for _ in $(seq 300); do
    on_bus --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.mpris.MediaPlayer2.sonaveo |
      grep -q "boolean true" && break
    sleep 0.1
  done
  if on_bus --dest=org.mpris.MediaPlayer2.sonaveo $player_path org.mpris.MediaPlayer2.Player.OpenUri \
    string:"$SONAVEO_TEST_STREAM" >/dev/null; then
    for _ in $(seq 300); do
      on_bus --dest=org.mpris.MediaPlayer2.sonaveo $player_path org.freedesktop.DBus.Properties.Get \
        string:org.mpris.MediaPlayer2.Player string:PlaybackStatus | grep -q '"Playing"' && break
      sleep 0.1
    done
    # Two seconds of the sink's monitor; the tone peaks far above silence.
    timeout 2 parec -d "$(pactl get-default-sink).monitor" --raw --format=s16le --channels=1 --rate=8000 \
      >"$root/tmp/heard.raw" 2>/dev/null
    peak=$(od -An -t d2 -v "$root/tmp/heard.raw" | tr -s ' ' '\n' |
      awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
    [ "$peak" -gt 1000 ] && played=yes || fail "the stream was tuned but nothing was heard (peak $peak)"
  else
    cat "$root/tmp/play.log"
    fail "the installed program did not come onto its session bus"
  fi
  kill "$player" 2>/dev/null
  wait "$player" 2>/dev/null
  kill "$bus_pid" 2>/dev/null
  wait "$bus_pid" 2>/dev/null
  pactl unload-module "$tcp_module" 2>/dev/null
else
  echo "not played: no test servers here (scripts/with-test-servers tests/package/test_deb.sh runs them)"
fi

[ "$failures" -eq 0 ] || exit 1
echo "the package installs and runs in a fresh Debian 12${played:+, and plays the test stream}"
