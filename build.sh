#!/bin/sh
# The README's two commands, also on a machine that has no make yet:
#   ./build.sh run [ARGS="..."]   installs what building and running need, builds the
#                                 program only, starts it
#   ./build.sh test               installs what the tests need too, builds everything,
#                                 runs every test
# Any other make target is passed on after the test group has been installed.
set -e
cd "$(dirname "$0")"
if [ $# -eq 0 ]; then
  echo "usage: $0 run|test|test-sanitize|bench [ARGS=...]" >&2
  exit 2
fi
if [ "$1" = run ]; then group=run; else group=test; fi
bash scripts/install-deps.sh "$group"
exec make "$@"
