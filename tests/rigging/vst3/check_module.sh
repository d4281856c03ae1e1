#!/bin/sh
# Checks a built VST3 module's binary interface: the three entry points are its only
# exports, under the version VST3ABI_1.0; no code of its own runs at load; and, when it
# carries its own C++ runtime (not in sanitizer builds), it needs nothing but the C
# libraries.
#   check_module.sh <module.so> <static-runtime: 1 or 0>
set -eu
so="$1"
static="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

exports=$(nm -D --defined-only --with-symbol-versions "$so" | awk '$2 != "A" { print $3 }' | sort)
expected=$(printf '%s\n' GetPluginFactory@@VST3ABI_1.0 ModuleEntry@@VST3ABI_1.0 ModuleExit@@VST3ABI_1.0)
[ "$exports" = "$expected" ] || fail "exports are: $exports"

# Only the compiler's own frame_dummy may sit in the initialiser table.
init=$(readelf -S -W "$so" | awk '$2 == ".init_array" { print $6 }')
[ -z "$init" ] || [ "$init" = "000008" ] || fail ".init_array holds more than frame_dummy ($init)"

if [ "$static" = 1 ]; then
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
