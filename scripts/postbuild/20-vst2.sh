#!/bin/sh
# Installs the VST 2.4 module into ~/.vst/ (a folder VST 2.4 hosts on Linux scan) and checks,
# through the project's VST 2.4 test host, that the installed copy loads and processes audio.
# Usage: 20-vst2.sh BUILD_DIR
set -eu
build="${1:-build}"
module="$build/vst2/Brindlewave.so"
hostbin="$build/tests/hosts/vst2/vst2host"

if [ ! -f "$module" ]; then
    echo "VST 2.4: $module was not built; nothing installed."
    exit 0
fi

dest="$HOME/.vst"
mkdir -p "$dest"
# Copy beside, then rename: a host that is running keeps its mapping of the old file.
cp "$module" "$dest/.Brindlewave.so.tmp"
mv -f "$dest/.Brindlewave.so.tmp" "$dest/Brindlewave.so"
echo "VST 2.4: installed Brindlewave.so into $dest/"

if [ -x "$hostbin" ]; then
    echo "VST 2.4: smoke check of the installed module (1 s of a stereo test signal at 48 kHz):"
    "$hostbin" "$dest/Brindlewave.so" --rate 48000 --block 512 --seconds 1
fi
