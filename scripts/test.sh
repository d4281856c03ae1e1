#!/bin/sh
# Runs the whole test suite. With --sanitize, first builds build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs the suite there;
# with --tsan, the same with ThreadSanitizer in build-tsan/.
set -eu
cd "$(dirname "$0")/.."

dir=build
case "${1:-}" in
--sanitize)
    dir=build-asan
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEWAVE_SANITIZE=ON
    cmake --build "$dir"
    ;;
--tsan)
    dir=build-tsan
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEWAVE_TSAN=ON
    cmake --build "$dir"
    ;;
esac
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
