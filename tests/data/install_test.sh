#!/bin/sh
# `cmake --install` into a scratch root: the program, its guide, the desktop entry, the
# icon and the metainfo land in their usual places, and the installed program answers
# --version and --help without a display.
set -eu
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/tavel share/tavel/Additional/readme.htm share/applications/tavel.desktop \
         share/icons/hicolor/scalable/apps/tavel.svg share/metainfo/example.tavel.Tavel.metainfo.xml; do
  test -f "$root/usr/$f" || { echo "not installed: /usr/$f"; exit 1; }
done
test -x "$root/usr/bin/tavel"
# Nothing but these five files (tests and libraries stay in the build).
count=$(find "$root" -type f | wc -l)
[ "$count" -eq 5 ] || { echo "installed $count files:"; find "$root" -type f; exit 1; }
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$root/usr/bin/tavel" --version)
[ "$out" = "Vo Tavel 0.9.2" ] || { echo "--version printed: $out"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tavel" --help | grep -q '^Usage: tavel '
