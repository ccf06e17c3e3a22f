#!/bin/sh
# The desktop entry and the AppStream metainfo as the desktop's own tools read them.
# Exits 77 (skipped) when a validator is not installed.
data="$1"
missing=""
command -v desktop-file-validate >/dev/null || missing="$missing desktop-file-validate (desktop-file-utils)"
command -v appstreamcli >/dev/null || missing="$missing appstreamcli (appstream)"
if [ -n "$missing" ]; then
  echo "SKIPPED: not installed:$missing; scripts/install-deps.sh test installs them"
  exit 77
fi
set -e
desktop-file-validate "$data/tavel.desktop"
appstreamcli validate --no-net "$data/example.tavel.Tavel.metainfo.xml"
# The entry opens playlists, passes the files on and names the icon that is installed.
grep -qx 'Exec=tavel %F' "$data/tavel.desktop"
grep -qx 'MimeType=audio/x-mpegurl;' "$data/tavel.desktop"
grep -qx 'Icon=tavel' "$data/tavel.desktop"
test -s "$data/icons/tavel.svg"
