#!/bin/bash
# Takes docs/screenshot-main.png: the worked example 8, 2, 1, 5 typed into the
# main window under a private Xvfb, with the result window behind it.
# Usage: tools/take_screenshot.sh BUILD_DIR   (needs xvfb, xdotool, imagemagick)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$BUILD"
fi
HOME_DIR=$(mktemp -d)
export HOME=$HOME_DIR XDG_CONFIG_HOME=$HOME_DIR/.config
"$BUILD/mainwin/velmar" &
PID=$!
sleep 2
MAIN=$(xdotool search --name "Велмар" | head -1)
xdotool windowfocus --sync "$MAIN"
xdotool type --delay 80 8; xdotool key Tab; xdotool type 2; xdotool key Tab
xdotool type 1; xdotool key Tab; xdotool type 5; xdotool key Return
sleep 0.3; xdotool key Return
sleep 2
RESULT=$(xdotool search --name "Распределение" | head -1)
xdotool windowraise "$RESULT"; sleep 0.3
xdotool windowraise "$MAIN"; sleep 0.5
import -window root -crop 990x700+0+0 "$ROOT/docs/screenshot-main.png"
python3 "$ROOT/tools/x11_close_window.py" "$MAIN"
wait $PID
rm -rf "$HOME_DIR"
