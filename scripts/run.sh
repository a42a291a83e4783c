#!/usr/bin/env bash
# Installs what is missing, builds Sarvel and starts it (first run installs the demo kit into ~/SARVEL).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target sarvel
exec ./build/app/sarvel "$@"
