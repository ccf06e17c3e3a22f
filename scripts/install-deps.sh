#!/usr/bin/env bash
# Installs the Debian packages Tavel needs, one group at a time, and nothing already there:
#   scripts/install-deps.sh run    what building and running the program needs
#   scripts/install-deps.sh test   that, plus what the tests, fuzzing and benchmarks need
# Runs apt-get as root, or through sudo otherwise. One package per line: adding one is a
# one-line edit in its group.
set -euo pipefail

# Building and running.
run_packages=(
  make
  cmake
  ninja-build
  g++
  pkg-config
  qt6-base-dev           # brings the OpenGL headers Qt's CMake files look for
  qt6-translations-l10n  # Russian texts of Qt's own buttons and dialogs
  libmpv-dev
  libblkid-dev           # reads the file system of a destination device
  libtag1-dev            # tags and lengths of audio files (TagLib)
  libxxhash-dev          # checks copies read back from the medium (XXH3)
  libqt6svg6             # draws the program's SVG icon (window, About box)
  dpkg-dev               # make package: dpkg-shlibdeps finds the package's dependencies
  file                   # make package: CPack finds the executables to look at
)

# Tests, fuzzing and benchmarks only.
test_packages=(
  googletest
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libsqlite3-dev         # the store benchmark's comparison
  xvfb                   # tests that need a real X display
  xauth
  clang                  # libFuzzer targets
  libclang-rt-14-dev
  dosfstools             # tests on real FAT32 and exFAT images
  exfatprogs
  fusefat
  exfat-fuse
  ffmpeg                 # audio files of every format, made by the tag tests
  desktop-file-utils     # desktop-file-validate for tavel.desktop
  appstream              # appstreamcli validate for the metainfo
  dbus                   # a private dbus-daemon for the drives and notification tests
  python3-dbusmock       # UDisks2 and the notification service mocked on that bus
  rsync                  # the copy-only-what-changed benchmark compares with it
)

group="${1:-test}"
case "$group" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
