#!/bin/sh
# Installs the Debian packages the project needs, builds everything in Release into build/,
# installs the plug-in modules into the user's plug-in folders and runs a smoke check.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev \
libstb-dev libx11-dev libxtst-dev fonts-lato xvfb xauth libfftw3-dev zam-plugins lsp-plugins-vst \
libjpeg-turbo-progs"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build

# Each module installs itself where hosts scan for plug-ins and checks that it processes audio.
for step in scripts/postbuild/*.sh; do
    if [ -x "$step" ]; then "$step" build; fi
done
