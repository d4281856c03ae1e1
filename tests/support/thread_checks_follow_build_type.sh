#!/bin/sh
# Configures the project as a user would, into folders of its own, and checks that the thread
# contract's checks follow each configure's build type unless the user chose them.
#   thread_checks_follow_build_type.sh <source dir>
set -eu
src="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# configure <folder> <expected: 1 or 0> <cmake arguments...>
configure() {
    dir="$1"
    want="$2"
    shift 2
    cmake -S "$src" -B "$dir" -G Ninja "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "configure $*"; }
    count=$(grep -c 'RIGGING_THREAD_CHECKS=1' "$dir/build.ninja" || true)
    if [ "$want" = 1 ]; then
        [ "$count" -gt 0 ] || fail "no checks after: $*"
    else
        [ "$count" = 0 ] || fail "checks left in after: $*"
    fi
    echo "ok: $* -> checks $want"
}

# One folder, as a developer's: a debug build, then the release the setup script makes there.
configure "$work/a" 1 -DCMAKE_BUILD_TYPE=Debug
configure "$work/a" 0 -DCMAKE_BUILD_TYPE=Release
# A choice stays across build types until the user hands it back.
configure "$work/a" 1 -DCMAKE_BUILD_TYPE=Release -DBRINDLEWAVE_THREAD_CHECKS=ON
configure "$work/a" 1 -DCMAKE_BUILD_TYPE=MinSizeRel
configure "$work/a" 0 -DCMAKE_BUILD_TYPE=Debug -DBRINDLEWAVE_THREAD_CHECKS=OFF
configure "$work/a" 1 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEWAVE_THREAD_CHECKS=AUTO

# A cache that still holds the earlier plain option, as a debug configure defaulted it.
cat >"$work/old-cache.cmake" <<'CACHE'
set(BRINDLEWAVE_THREAD_CHECKS ON CACHE BOOL "Check which thread calls each host entry point" FORCE)
CACHE
configure "$work/a" 0 -C "$work/old-cache.cmake" -DCMAKE_BUILD_TYPE=Release
