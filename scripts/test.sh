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
    # Full stacks, so that leaks from libraries' load-time initialisers match tests/lsan.supp.
    export ASAN_OPTIONS="fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
fi

bash scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja "${FLAGS[@]}" >/dev/null
cmake --build "$BUILD"

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
unset DISPLAY WAYLAND_DISPLAY
ROOT=$(pwd)
cd "$BUILD"
exec bash "$ROOT/scripts/with-sound-server.sh" ctest --output-on-failure -j2
