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

[ "$failures" -eq 0 ] || exit 1
echo "installed and valid"
