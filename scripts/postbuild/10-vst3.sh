#!/bin/sh
# Installs the VST3 bundle into ~/.vst3/, the user folder VST3 hosts scan, and checks that
# the installed module loads and processes a short generated signal in the test host.
#   10-vst3.sh <build directory>
set -eu
build="${1:-build}"
bundle="$build/Brindlewave.vst3"
if [ ! -f "$bundle/Contents/x86_64-linux/Brindlewave.so" ]; then
    echo "vst3: $bundle was not built; nothing to install"
    exit 0
fi
dest="${HOME}/.vst3"
mkdir -p "$dest"
rm -rf "$dest/Brindlewave.vst3"
cp -R "$bundle" "$dest/"
echo "vst3: installed $dest/Brindlewave.vst3"
"$build/tests/hosts/vst3/vst3_smoke" "$dest/Brindlewave.vst3"
