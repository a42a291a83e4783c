#!/usr/bin/env bash
# Runs a command against a private PulseAudio server with a null sink "testsink" as its default;
# the user's own sound server is never touched. Used by the test command and the benchmarks:
#   bash scripts/with-sound-server.sh ./build/bench/app/startup_bench
set -euo pipefail

SOUND=$(mktemp -d)
cleanup() {
    [ -n "${KEEPALIVE:-}" ] && kill "$KEEPALIVE" 2>/dev/null || true
    [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$SOUND"
}
trap cleanup EXIT
mkdir -p "$SOUND/run/pulse" "$SOUND/state" "$SOUND/home"
chmod 700 "$SOUND/run"
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

"$@"
