#!/usr/bin/env bash
# Remakes docs/screenshot.png (the main window, a song playing) and docs/stage.png (the stage view
# mid-song) with the real program on a virtual X screen, a private sound server and a throwaway
# home, so the demo kit is made afresh and nothing of the user's is touched.
# Tools (apt-get): xvfb xdotool imagemagick. Run after a build: bash scripts/make-screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${SARVEL_SHOTS_INSIDE:-}" ]; then
    export SARVEL_SHOTS_INSIDE=1
    exec xvfb-run -a -s '-screen 0 1280x800x24' bash scripts/with-sound-server.sh bash "$0"
fi

# A short fixed path: the window shows the kit's.
WORK=/tmp/sarvel-shots
rm -rf "$WORK"
trap 'kill "${APP:-}" 2>/dev/null || true; rm -rf "$WORK"' EXIT
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config
mkdir -p "$XDG_CONFIG_HOME/sarvel"
# The window in a deep blue, as the pictures have always shown it.
printf '[COLORS]\nRed=32\nGreen=48\nBlue=80\n' >"$XDG_CONFIG_HOME/sarvel/tirsen.ini"

# A palette of 256 colours keeps the pictures small and looks the same.
shot() { import -window root -crop "$1" +repage -strip -dither None -colors 256 "PNG8:$2"; }

./build/app/sarvel >"$WORK/sarvel.log" 2>&1 &
APP=$!
sleep 4
# No window manager: the window is placed by hand where a maximised one would be.
WINDOW=$(xdotool search --onlyvisible --name 'First.vkt' | head -1)
xdotool windowmove "$WINDOW" 0 0 windowsize "$WINDOW" 1280 760
sleep 1.5
xdotool mousemove 258 236 click 1 # the first song of the first theme
sleep 2.4
shot 1280x760+0+0 docs/screenshot.png

xdotool mousemove 223 134 click 1 # "English songs"
sleep 1
xdotool mousemove 258 236 click 1 # Twinkle, Twinkle: its words follow a timing file
sleep 1
xdotool key F11
sleep 9.5 # into the third line, its second word sung
shot 1280x800+0+0 docs/stage.png
