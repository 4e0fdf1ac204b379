#!/bin/sh
# Installs the build into a temporary prefix and checks what a desktop finds
# there: the program, the manual where the program looks for it, the menu entry,
# the icons, the software centre's description and the manual page, with the
# desktop entry and the description passing their validators.
# Usage: test_install.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"
  rm -f "$prefix.log"
  echo "FAIL: cmake --install"
  exit 1
fi
rm -f "$prefix.log"

for file in \
  bin/sonaveo \
  share/sonaveo/manual/index.html \
  share/applications/sonaveo.desktop \
  share/icons/hicolor/scalable/apps/sonaveo.svg \
  share/metainfo/org.sonaveo.Sonaveo.metainfo.xml \
  share/man/man1/sonaveo.1; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/sonaveo" ] || fail "bin/sonaveo is not executable"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/sonaveo.png
  if [ ! -s "$png" ]; then
    fail "the ${size}x${size} icon is not installed"
    continue
  fi
  # A PNG's width and height are the 4-byte numbers at offsets 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done

desktop=$prefix/share/applications/sonaveo.desktop
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  grep -qx 'Exec=sonaveo' "$desktop" || fail "the desktop entry does not start sonaveo"
  grep -qx 'Icon=sonaveo' "$desktop" || fail "the desktop entry does not name the icon"
fi
metainfo=$prefix/share/metainfo/org.sonaveo.Sonaveo.metainfo.xml
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  grep -q '<launchable type="desktop-id">sonaveo.desktop</launchable>' "$metainfo" ||
    fail "the description does not name the desktop entry"
fi
man=$prefix/share/man/man1/sonaveo.1
if [ -f "$man" ]; then
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
  for option in --data-dir --default-skin --version; do
    roff=$(printf '%s' "$option" | sed 's/-/\\-/g')
    grep -qF -- "$roff" "$man" || fail "the manual page does not name $option"
  done
fi

# The installed program runs from its new place.
"$prefix/bin/sonaveo" --version | grep -q '^sonaveo ' || fail "sonaveo --version"

# The playback engine is a module of the program's own, loaded while the first
# window comes up: the program itself links neither GStreamer, GIO nor Qt's
# network library, and the installed program finds its installed module.
engine=$(find "$prefix/lib" -name libsonaveo-engine.so 2>/dev/null)
[ -n "$engine" ] || fail "the playback engine is not installed"
case $engine in */sonaveo/libsonaveo-engine.so) ;; *) fail "the engine is not in the program's own folder: $engine" ;; esac
needed=$(LC_ALL=C readelf -d "$prefix/bin/sonaveo" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
for library in libgstreamer libgio libQt6Network; do
  case $needed in *$library*) fail "the program links $library" ;; esac
done
run=$(mktemp -d)
mkdir -m 700 "$run/runtime"
# Ends at the main window's first paint, which comes only after the engine
# loaded and answered the start-up checks. The test sound output stands in for a
# sound server.
if ! XDG_RUNTIME_DIR=$run/runtime QT_QPA_PLATFORM=offscreen SONAVEO_REPORT_FIRST_PAINT=1 \
  GST_PLUGIN_PATH="$build/test-gst-plugins" timeout 120 "$prefix/bin/sonaveo" --data-dir "$run/data" \
  >"$run/out" 2>&1 || ! grep -q '^first-paint ' "$run/out"; then
  cat "$run/out"
  fail "the installed program did not start and paint its main window"
fi
rm -rf "$run"

# Where /proc is not mounted the program cannot tell where it is: it never
# loads a library of the engine's name from the folder it was started in, or
# from the library search path, and says why it cannot play. As root (CI) in a
# mount namespace of its own, with /proc hidden and such a library planted.
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null && command -v cc >/dev/null; then
  run=$(mktemp -d)
  mkdir "$run/planted" && mkdir -m 700 "$run/runtime"
  printf '#include <stdio.h>\n__attribute__((constructor)) static void planted(void) { fputs("PLANTED LIBRARY LOADED\\n", stderr); }\n' >"$run/planted.c"
  if cc -shared -fPIC "$run/planted.c" -o "$run/planted/libsonaveo-engine.so"; then
    # The player's message box then waits for a user: the start is ended once
    # the reason is out.
    cd "$run/planted"
    unshare -m --propagation private sh -c 'mount -t tmpfs none /proc && exec "$@"' sh \
      env XDG_RUNTIME_DIR="$run/runtime" QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$run/planted" \
      timeout 120 "$prefix/bin/sonaveo" --data-dir "$run/data" >"$run/out" 2>&1 &
    started=$!
    cd - >/dev/null
    for _ in $(seq 1200); do
      grep -q 'cannot be loaded\|no playback engine' "$run/out" && break
      kill -0 "$started" 2>/dev/null || break
      sleep 0.1
    done
    kill "$started" 2>/dev/null
    wait "$started" 2>/dev/null
    grep -q 'PLANTED LIBRARY LOADED' "$run/out" && fail "without /proc a library planted in the current folder was loaded"
    grep -q 'the playback engine cannot be loaded: /' "$run/out" || { cat "$run/out"; fail "without /proc the program did not say why it cannot play"; }
  else
    fail "cannot build the planted library"
  fi
  rm -rf "$run"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed and valid"
