#!/bin/sh
# Runs the whole test suite. With --sanitize, first builds build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs the suite there;
# with --tsan, the same with ThreadSanitizer in build-tsan/.
# The window tests need an X display: when DISPLAY is unset, a virtual one (Xvfb) is started
# on a free display number for the run and stopped afterwards.
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

xvfb_pid=""
xvfb_dir=""
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
    if [ -n "$xvfb_dir" ]; then rm -rf "$xvfb_dir"; xvfb_dir=""; fi
}

if [ -z "${DISPLAY:-}" ]; then
    if command -v Xvfb >/dev/null 2>&1; then
        trap stop_xvfb EXIT
        trap 'stop_xvfb; exit 130' INT TERM
        xvfb_dir=$(mktemp -d)
        # -displayfd: the server picks a free display number and writes it once it accepts
        # connections. -noreset: a server that resets whenever its last client leaves refuses
        # connections meanwhile, and the tests connect and leave all the time.
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$xvfb_dir/display" \
            >"$xvfb_dir/log" 2>&1 &
        xvfb_pid=$!
        tries=0
        while [ ! -s "$xvfb_dir/display" ]; do
            if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
                echo "test.sh: the virtual X server did not start:" >&2
                cat "$xvfb_dir/log" >&2
                stop_xvfb
                break
            fi
            tries=$((tries + 1))
            sleep 0.1
        done
        if [ -n "$xvfb_pid" ]; then
            DISPLAY=":$(head -n 1 "$xvfb_dir/display")"
            export DISPLAY
            echo "test.sh: virtual X server on display $DISPLAY"
        fi
    else
        echo "test.sh: no DISPLAY and no Xvfb; the window tests will be skipped" >&2
    fi
fi

ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
