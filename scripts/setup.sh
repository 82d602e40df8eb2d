#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs from Debian's packages everything the build, the tests and the program need. Does nothing when all is
# there; runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config          # build
  clang libclang-rt-14-dev clang-format                 # fuzzing, format check
  googletest libgtest-dev libgmock-dev libbenchmark-dev # tests and benchmarks
  qt6-base-dev qt6-svg-dev libgl-dev libxkbcommon-dev   # the window (Qt DBus is in qt6-base-dev)
  xvfb xauth x11-utils imagemagick fonts-dejavu-core    # running it on a virtual display, screenshots
  libtbb-dev libcli11-dev zlib1g-dev parallel bc        # the console commands (zlib: the save file's checksum); across machines
  scdoc man-db lintian appstream bash-completion        # the manual page and the package's checks
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
