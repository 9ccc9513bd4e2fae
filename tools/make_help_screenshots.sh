#!/bin/sh
# Takes the help pictures 3 to 6 from the running program: starts velmar under
# a virtual X server with settings of its own, types the worked example 6 3 3 2
# (and the same table times 50), presses "Расчет" and grabs the main window and
# the chart window. The grabs become 128-colour GIF89a files without extension
# blocks in help/content/.
#
# Picture 3 shows the main window as it stands on a desktop, with the title
# bar and frame of a window manager: Openbox with its stock theme runs on the
# virtual server. The frame adds 2 x 25 pixels to the 278 x 219 window; the
# page background colour pads it to the picture's 289 x 244. Pictures 4 to 6
# are the chart window's inside alone.
#
# usage: tools/make_help_screenshots.sh [path/to/velmar]
#   default: build/mainwin/velmar. Needs xvfb-run, xdotool, ImageMagick,
#   python3 and openbox (apt-get install openbox; only this script uses it).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
velmar=$(realpath "${1:-$root/build/mainwin/velmar}")
out="$root/help/content"
[ -x "$velmar" ] || { echo "no executable: $velmar" >&2; exit 1; }
command -v openbox >/dev/null || { echo "needs openbox: apt-get install openbox" >&2; exit 1; }

if [ -z "${VELMAR_SHOTS_INNER:-}" ]; then
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    # A fresh home: the program starts from its design state and the user's
    # own stored settings stay untouched.
    mkdir -p "$tmp/home" "$tmp/shots"
    chmod 700 "$tmp/home"
    HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/home" \
    VELMAR_SHOTS_INNER="$tmp/shots" QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$velmar"
    # The frame is centred on the help page's background.
    convert "$tmp/shots/pic3.png" -background 'rgb(240,240,240)' -gravity center \
        -extent 289x244 "$tmp/shots/pic3.png"
    for i in 3 4 5 6; do
        convert "$tmp/shots/pic$i.png" +dither -colors 128 "$tmp/Pic $i.gif"
    done
    python3 "$here/gif_strip.py" "$tmp"/Pic*.gif
    cp "$tmp"/Pic*.gif "$out/"
    identify "$out"/Pic*.gif
    exit 0
fi

shots="$VELMAR_SHOTS_INNER"
pid=
openbox &
wm=$!
trap 'kill "$wm" 2>/dev/null || true' EXIT

# Waits for a visible window whose title matches, prints its id.
find_window() {
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}

grab() { sleep 0.7; import -window "$1" "$2"; }
grab_framed() { sleep 0.7; import -frame -window "$1" "$2"; }

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }

# Types the four cells, starting in the field a where the focus starts; Enter
# moves on to the next cell and from d to "Расчет".
type_table() {
    xdotool windowactivate --sync "$1"
    for value in $2 $3 $4 $5; do
        xdotool key ctrl+a
        xdotool type --delay 30 "$value"
        xdotool key Return
    done
}

start() {
    "$velmar" &
    pid=$!
    main=$(find_window '^Велмар')
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# "Расчет" lies at (8, 6) in the tool bar under the 181-pixel input panel.
compute() { click "$main" 48 199; chart=$(find_window '^График распределения'); }

# The chart window's tool bar is 34 pixels high; the chart alone is the
# image above it.
chart_only() {
    xdotool windowmove "$chart" 0 0 windowsize --sync "$chart" "$1" $(($2 + 34))
    grab "$chart" "$shots/full.png"
    convert "$shots/full.png" -crop "$1x$2+0+0" +repage "$3"
}

start
type_table "$main" 6 3 3 2
compute
# The report and chart windows open over the main window: bring it up, or
# the grab shows what covers it.
xdotool windowactivate --sync "$main"
grab_framed "$main" "$shots/pic3.png"
xdotool windowactivate --sync "$chart"
chart_only 627 298 "$shots/pic4.png"
# Full width with the critical region underlined: "Кр.обл." sits at (56, 14)
# in the group box at 190 of the tool bar.
xdotool windowsize --sync "$chart" 872 178
sleep 0.5
click "$chart" 253 $((178 - 34 + 22))
grab "$chart" "$shots/pic6.png"
stop

start
type_table "$main" 300 150 150 100
compute
chart_only 558 298 "$shots/pic5.png"
stop
