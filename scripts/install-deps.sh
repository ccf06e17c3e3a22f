#!/usr/bin/env bash
# Installs every Debian package that building, running, testing and benchmarking Tavel
# needs. Does nothing when all are present; runs apt-get as root or through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  qt6-base-dev libgl-dev qt6-translations-l10n
  libmpv-dev
  googletest libgtest-dev libgmock-dev
  libbenchmark-dev libsqlite3-dev
  xvfb xauth x11-apps imagemagick
  clang libclang-rt-14-dev
  libblkid-dev fusefat exfat-fuse dosfstools exfatprogs fuse3
)

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
