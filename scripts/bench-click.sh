#!/usr/bin/env bash
# Runs a benchmark that clicks with real X input (bench/app/ClickBench.cpp) on a private X server
# and the private sound server. Bench-only needs, beyond scripts/setup.sh:
#   apt-get install xvfb xauth libxtst6 libx11-dev gstreamer1.0-plugins-base-apps
#   bash scripts/bench-click.sh build/bench/app/click_bench [rounds] [--before other/click_bench]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$here/with-sound-server.sh" "$@"
