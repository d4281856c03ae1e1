#!/bin/sh
# Checks a built VST3 module's binary interface: the three entry points are its only
# exports, under the version VST3ABI_1.0. A release build (not a sanitizer build, whose
# instrumentation adds load-time code and the shared C++ runtime) must also run no code of
# its own at load and need nothing but the C libraries.
#   check_module.sh <module.so> <release: 1 or 0>
set -eu
so="$1"
release="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

exports=$(nm -D --defined-only --with-symbol-versions "$so" | awk '$2 != "A" { print $3 }' | sort)
expected=$(printf '%s\n' GetPluginFactory@@VST3ABI_1.0 ModuleEntry@@VST3ABI_1.0 ModuleExit@@VST3ABI_1.0)
[ "$exports" = "$expected" ] || fail "exports are: $exports"

if [ "$release" = 1 ]; then
    # Only the compiler's own frame_dummy may sit in the initialiser table.
    init=$(readelf -S -W "$so" | awk '$2 == ".init_array" { print $6 }')
    [ -z "$init" ] || [ "$init" = "000008" ] || fail ".init_array holds more than frame_dummy ($init)"

    for lib in $(readelf -d "$so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        case "$lib" in
        libc.so.* | libm.so.* | libpthread.so.* | librt.so.* | libdl.so.* | ld-linux-x86-64.so.* | libX11.so.*) ;;
        *) fail "needs $lib" ;;
        esac
    done
    if nm -D --undefined-only --with-symbol-versions "$so" | grep -q -E 'GLIBCXX|CXXABI|GCC_'; then
        fail "refers to the shared C++ runtime"
    fi
fi
echo "ok: $so"
