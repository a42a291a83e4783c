#!/usr/bin/env bash
# Installs what is missing, builds the whole suite and runs it headless against a private sound server.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${SARVEL_BUILD_DIR:-build}
FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    BUILD=build-asan
    FLAGS=(-DCMAKE_BUILD_TYPE=Debug -DSARVEL_SANITIZE=ON)
fi

bash scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja "${FLAGS[@]}" >/dev/null
cmake --build "$BUILD"

# A private PulseAudio with a null sink as its default; the user's own sound server is never touched.
SOUND=$(mktemp -d)
cleanup() {
    [ -n "${KEEPALIVE:-}" ] && kill "$KEEPALIVE" 2>/dev/null || true
    [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$SOUND"
}
trap cleanup EXIT
mkdir -p "$SOUND/run/pulse" "$SOUND/state" "$SOUND/home"
export XDG_RUNTIME_DIR=$SOUND/run PULSE_RUNTIME_PATH=$SOUND/run/pulse PULSE_STATE_PATH=$SOUND/state
export PULSE_SERVER=unix:$SOUND/run/pulse/native
export PULSE_COOKIE=$SOUND/cookie
HOME=$SOUND/home pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit=yes -n --use-pid-file=no \
    --log-target=file:"$SOUND/pulse.log" \
    --load="module-null-sink sink_name=testsink" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$SOUND/run/pulse/native" &
PULSE_PID=$!
for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
done
pactl info >/dev/null 2>&1 || { echo "private sound server did not start"; cat "$SOUND/pulse.log"; exit 1; }
pactl set-default-sink testsink
# Without a reader on the monitor, a null sink stalls each new stream for up to 2 s.
parec --latency-msec=20 -d testsink.monitor >/dev/null &
KEEPALIVE=$!
export SARVEL_TEST_SINK=testsink

export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
cd "$BUILD"
ctest --output-on-failure -j2
