#!/bin/sh
# The files the program ships by hand name the project's version (passed in from CMake):
# the user guide's heading and the newest release of the AppStream metainfo.
set -eu
version="$1"
data="$2"
grep -q "<h1>Vo Tavel $version</h1>" "$data/Additional/readme.htm" ||
  { echo "Additional/readme.htm does not name version $version"; exit 1; }
newest=$(grep -o '<release version="[^"]*"' "$data/example.tavel.Tavel.metainfo.xml" | head -n 1)
[ "$newest" = "<release version=\"$version\"" ] ||
  { echo "metainfo's newest release is $newest, not $version"; exit 1; }
