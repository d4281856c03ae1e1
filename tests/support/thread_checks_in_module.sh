#!/bin/sh
# Checks that a built plug-in module carries the thread contract's checks exactly when its
# build checks them: a released module holds no trace of them.
#   thread_checks_in_module.sh <module.so> <checks: 1 or 0>
set -eu
so="$1"
checks="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

symbols=$(nm -C "$so")
# A symbol table without the client's processing would make "no checks" prove nothing.
echo "$symbols" | grep -q 'rigging::Client::processAudioFromHost' || fail "$so has no symbol table"
count=$(echo "$symbols" | grep -c -E 'rigging::(ThreadContract|AudioCall|moduleThreads)' || true)
if [ "$checks" = 1 ]; then
    [ "$count" -gt 0 ] || fail "$so does not check its threads"
else
    [ "$count" = 0 ] || fail "$so carries thread checks in a build without them"
fi
echo "ok: $so (checks $checks)"
