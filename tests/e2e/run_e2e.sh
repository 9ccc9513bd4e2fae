#!/usr/bin/env bash
# Drives the real program on a real X server (Xvfb, no window manager) from
# outside, with the keyboard and the mouse as a person would, and checks what
# that person would see: the windows, the saved report, the help pictures in
# a folder of the run's own, and the settings file written when the main
# window closes or the program is sent SIGTERM.
#
#   run_e2e.sh VELMAR VELMAR_REPORT
#
# Exits 0 on success, 1 on a failed check, 77 when Xvfb, xdotool or python3
# (with libX11) is missing. Every wait has a timeout; Xvfb and the program are
# ended on every path.
set -uo pipefail

skip() { echo "SKIP: $*"; exit 77; }

[ $# -eq 2 ] || { echo "usage: $0 VELMAR VELMAR_REPORT" >&2; exit 2; }
velmar_built=$1
report_cli=$2
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
python3 -c 'import ctypes.util, sys; sys.exit(0 if ctypes.util.find_library("X11") else 1)' ||
    skip "python3 cannot find libX11"

# xdotool reads the typed text in the locale's encoding.
export LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY SESSION_MANAGER

work=$(mktemp -d "${TMPDIR:-/tmp}/velmar-e2e.XXXXXX")
xvfb_pid=
velmar_pid=
failed=0

cleanup() {
    [ -n "$velmar_pid" ] && kill "$velmar_pid" 2>/dev/null && wait "$velmar_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    chmod -R u+w "$work" 2>/dev/null
    if [ "$failed" -eq 0 ]; then
        rm -rf "$work"
    else
        echo "kept for inspection: $work"
    fi
}
trap cleanup EXIT

fail() {
    failed=1
    echo "FAIL: $*"
    command -v import >/dev/null 2>&1 && [ -n "${DISPLAY:-}" ] &&
        timeout 10 import -window root "$work/screen-at-failure.png" 2>/dev/null &&
        echo "screen: $work/screen-at-failure.png"
    [ -f "$work/velmar.log" ] && sed 's/^/velmar: /' "$work/velmar.log" | tail -20
    [ -s "$work/xvfb.log" ] && sed 's/^/Xvfb: /' "$work/xvfb.log" | tail -20
    [ -n "$xvfb_pid" ] && { kill -0 "$xvfb_pid" 2>/dev/null && echo "Xvfb is running" || echo "Xvfb has ended"; }
    echo "X sockets: $(ls -la /tmp/.X11-unix 2>&1 | tr '\n' ' ')"
    exit 1
}

# shellcheck source=../../tools/wait_for.sh
. "$tools/wait_for.sh"

window_gone() { [ -z "$(window "$1")" ]; }
window_id_gone() { ! xdo search --onlyvisible --name '.*' 2>/dev/null | grep -qx "$1"; }
focused_window() { xdo getwindowfocus 2>/dev/null; }
focus_is_not() { local f; f=$(focused_window) && [ -n "$f" ] && [ "$f" != "$1" ] && [ "$f" != 1 ]; }

# Asks a window to close as a window manager's close button does
# (WM_DELETE_WINDOW); xdotool alone can only destroy it.
close_window() { timeout 10 python3 "$tools/x11_close_window.py" "$1"; }

# Gives a window the keyboard, as a click into it would.
focus() {
    xdo windowraise "$1"
    xdo windowfocus --sync "$1" || fail "cannot focus window $1"
}

# click WINDOW X Y: a left click at a point of the window.
click() { xdo mousemove --window "$1" "$2" "$3" click 1 || fail "cannot click window $1"; }

# A button on a bottom panel: left edge and width of the button, panel height, button top.
click_panel_button() {
    local win=$1 left=$2 width=$3 panel=$4 top=$5 height
    height=$(xdo getwindowgeometry "$win" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
    [ -n "$height" ] || fail "no geometry for window $win"
    click "$win" $((left + width / 2)) $((height - panel + top + 12))
}
# The main window's buttons: 81 x 25 at (8 | 99 | 190, 6) on a 38-pixel panel.
click_main() {
    local left
    case $1 in Расчет) left=8 ;; Очистить) left=99 ;; Помощь) left=190 ;; esac
    # Without a window manager a click does not raise: the report may lie on top.
    xdo windowraise "$(window "$MAIN")"
    click_panel_button "$(window "$MAIN")" "$left" 81 38 6
}

type_keys() { xdo type --delay 40 "$1" || fail "cannot type '$1'"; }
key() { xdo key --delay 40 "$@" || fail "cannot press $*"; }

MAIN='Велмар (v. 2.0)'
REPORT='Распределение'
CHART='График распределения'
HELP='Помощь'
FIND='Найти'

# A copy in a folder that cannot be written, as under a system prefix; the
# help pictures go into a folder of the run's own under TMPDIR.
bin=$work/bin
mkdir -p "$bin" "$work/tmp"
cp "$velmar_built" "$bin/velmar" || fail "cannot copy $velmar_built"
chmod 555 "$bin"
velmar=$bin/velmar

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
settings=$XDG_CONFIG_HOME/Software/VLM-2010-v2.conf
export QT_QPA_PLATFORM=xcb

# Xvfb picks a free display itself and reports its number. The number alone
# does not prove that clients get through, so a client asks once; a server
# that takes none is replaced once, and a second such server means this
# machine cannot run the test. -noreset keeps the server as it is between the
# short-lived xdotool clients instead of resetting it each time the last leaves.
x_takes_client() { xdo getdisplaygeometry; }
start_xvfb() {
    : >"$work/display"
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >>"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    poll 20 test -s "$work/display" || return 1
    export DISPLAY=:$(head -1 "$work/display")
    echo "Xvfb on $DISPLAY"
    poll 30 x_takes_client
}
stop_xvfb() {
    kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}
if ! start_xvfb; then
    echo "Xvfb took no client; starting another"
    stop_xvfb
    start_xvfb || skip "Xvfb started twice but took no client: $(tail -5 "$work/xvfb.log")"
fi

velmar_running() { [ -n "$velmar_pid" ] && kill -0 "$velmar_pid" 2>/dev/null; }
main_window_or_exit() { window_shown "$MAIN" || ! velmar_running; }

# Starts the program and waits for its main window. A program that could not
# reach the X server ends at once; it is started again, up to three times, so
# that a momentary refusal of a connection does not pass for a fault of ours.
# Any other end before the window is shown is a failure at once.
start_velmar() {
    local attempt logged status
    for attempt in 1 2 3; do
        logged=$(stat -c %s "$work/velmar.log" 2>/dev/null || echo 0)
        TMPDIR=$work/tmp "$velmar" >>"$work/velmar.log" 2>&1 &
        velmar_pid=$!
        wait_for 60 "the main window" main_window_or_exit
        window_shown "$MAIN" && break
        wait "$velmar_pid"
        status=$?
        velmar_pid=
        tail -c +$((logged + 1)) "$work/velmar.log" | grep -q 'could not connect to display' ||
            fail "the program ended with status $status before showing its window"
        echo "attempt $attempt: the program could not connect to $DISPLAY"
        sleep 2
        wait_for 30 "Xvfb to accept a client" x_takes_client
    done
    window_shown "$MAIN" || fail "the main window did not appear in three starts"
    focus "$(window "$MAIN")"
}

# Closes the main window and expects the program to end by itself with status 0.
close_velmar() {
    close_window "$(window "$MAIN")" || fail "cannot send WM_DELETE_WINDOW"
    local deadline=$((SECONDS + 30))
    while kill -0 "$velmar_pid" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the program did not end after its main window was closed"
        sleep 0.2
    done
    wait "$velmar_pid"
    local status=$?
    velmar_pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# save_report FILE: "Сохранить" in the result window, the file name typed into the dialog.
save_report() {
    local report
    report=$(window "$REPORT")
    focus "$report"
    # "Сохранить": 97 x 29 at (32, 4) on the 37-pixel panel.
    click_panel_button "$report" 32 97 37 4
    wait_for 60 "the save dialog" focus_is_not "$report"
    local dialog
    dialog=$(focused_window)
    # Qt's own dialogs speak Russian.
    [ "$(xdo getwindowname "$dialog")" = "Сохранить как" ] ||
        fail "the save dialog is titled '$(xdo getwindowname "$dialog")'"
    key ctrl+a
    type_keys "$1"
    key Return
    wait_for 20 "the saved report $1" test -s "$1"
    wait_for 20 "the save dialog to close" window_id_gone "$dialog"
}

# expect_report FILE ARGS...: the saved bytes are those of velmar-report --cp1251 ARGS.
expect_report() {
    local file=$1
    shift
    "$report_cli" --cp1251 "$@" >"$work/expected.txt" || fail "velmar-report $* failed"
    cmp -s "$file" "$work/expected.txt" ||
        fail "the saved report differs from velmar-report --cp1251 $*: $(diff <(iconv -f cp1251 "$file" 2>/dev/null || cat "$file") \
            <(iconv -f cp1251 "$work/expected.txt" 2>/dev/null || cat "$work/expected.txt") | head -5)"
}

expect_setting() {
    grep -qx "$1" "$settings" 2>/dev/null || fail "the settings file lacks '$1': $(cat "$settings" 2>/dev/null)"
}

# Exactly one folder under TMPDIR, holding the six pictures; nothing beside the program.
pictures_present() {
    local folders i
    folders=("$work"/tmp/*/)
    [ ${#folders[@]} -eq 1 ] && [ -d "${folders[0]}" ] || return 1
    for i in 1 2 3 4 5 6; do [ -s "${folders[0]}Pic $i.gif" ] || return 1; done
}
nothing_left() { [ -z "$(ls -A "$work/tmp")" ] && [ "$(ls -A "$bin")" = velmar ]; }

echo "the command line: --help and -h print the usage, an unknown option is refused"
for opt in --help -h; do
    out=$(env -u DISPLAY "$velmar" "$opt" 2>&1) || fail "velmar $opt ended with status $?"
    printf '%s\n' "$out" | grep -q '^Использование:' || fail "velmar $opt printed: $out"
done
# An answer that cannot be written is no success.
for opt in --help --version; do
    if [ -w /dev/full ] && env -u DISPLAY "$velmar" "$opt" >/dev/full 2>/dev/null; then
        fail "velmar $opt > /dev/full ended with status 0"
    fi
done
out=$(QT_QPA_PLATFORM=offscreen "$velmar" --no-such-option 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "velmar --no-such-option ended with status $status"
printf '%s\n' "$out" | grep -q 'неизвестный параметр "--no-such-option"' ||
    fail "velmar --no-such-option printed: $out"

echo "run 1: the worked example typed cell by cell"
start_velmar
type_keys 8; key Return; type_keys 2; key Return; type_keys 1; key Return; type_keys 5
# Enter in d moves to "Расчет", Enter on the button presses it.
key Return Return
wait_for 60 "the result window" window_shown "$REPORT"
wait_for 60 "the chart window" window_shown "$CHART"
focus "$(window "$REPORT")"
key ctrl+f
wait_for 20 "the find dialog" window_shown "$FIND"
type_keys "Максимум"
key Return
wait_for 20 "the find dialog to close" window_gone "$FIND"
save_report "$work/report1.txt"
expect_report "$work/report1.txt" 8 2 1 5
nothing_left || fail "files written before the help was asked for: $(ls -AR "$work/tmp" "$bin")"
click_main Помощь
wait_for 30 "the help window" window_shown "$HELP"
pictures_present || fail "the six help pictures are not in one folder under TMPDIR: $(ls -AR "$work/tmp")"
close_velmar
nothing_left || fail "files left after the program ended: $(ls -AR "$work/tmp" "$bin")"
[ -f "$settings" ] || fail "no settings file at $settings"
for pair in a=8 b=2 c=1 d=5 m=10 n=6 k=9 t=7 s=16; do expect_setting "Ed_$pair"; done

echo "run 2: the stored fields come back; Очистить empties them"
start_velmar
click_main Расчет
wait_for 60 "the result window" window_shown "$REPORT"
save_report "$work/report2.txt"
expect_report "$work/report2.txt" 8 2 1 5
click_main Очистить
# A box the program gives no caption carries the program's name.
click_main Расчет
wait_for 20 "the input message box" window_shown "Велмар"
focus "$(window "Велмар")"
key Return
wait_for 20 "the input message box to close" window_gone "Велмар"
close_velmar
for f in a b c d m n k t s; do expect_setting "Ed_$f="; done
expect_setting "FormFLeft=334"

echo "run 3: margins typed along the Tab order, without a"
start_velmar
key Tab Tab Tab Tab
type_keys 8; key Tab; type_keys 6; key Tab; type_keys 10
key Return Return
wait_for 60 "the chart window" window_shown "$CHART"
save_report "$work/report3.txt"
expect_report "$work/report3.txt" --margins 8 6 10
# The chart window keeps its placement when the user closes it.
close_window "$(window "$CHART")" || fail "cannot send WM_DELETE_WINDOW"
wait_for 20 "the chart window to close" window_gone "$CHART"
grep -q '^FormG' "$settings" || fail "closing the chart window stored nothing: $(cat "$settings")"
close_velmar
for pair in a= b= c= d= m=8 n=2 k=6 t=4 s=10; do expect_setting "Ed_$pair"; done

echo "run 4: kill -TERM, as a logout sends it, ends the run as a close of the main window does"
start_velmar
type_keys 3
click_main Помощь
wait_for 30 "the help window" window_shown "$HELP"
pictures_present || fail "the six help pictures are not in one folder under TMPDIR: $(ls -AR "$work/tmp")"
kill -TERM "$velmar_pid"
deadline=$((SECONDS + 30))
while kill -0 "$velmar_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the program did not end on SIGTERM"
    sleep 0.2
done
wait "$velmar_pid"
status=$?
velmar_pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status on SIGTERM"
nothing_left || fail "files left after SIGTERM: $(ls -AR "$work/tmp" "$bin")"
expect_setting "Ed_a=3"

echo "PASS"
