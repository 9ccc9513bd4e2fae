#!/usr/bin/env bash
# The Windows installer end to end, in a Wine prefix of its own:
#   tools/windows/check_installer.sh [BUILD_DIR] [LINUX_REPORT]
# (defaults build-windows and build/cli/velmar-report). Installs
# velmar-*-setup.exe silently, compares the installed velmar-report's reports,
# CSV and Windows-1251 bytes with the Linux build's, starts velmar.exe on a
# virtual X server with Qt's windows platform, presses «Расчет» on 8 2 1 5,
# waits for the report and the chart, takes a screenshot
# (BUILD_DIR/check-installer/velmar-wine.png), closes the program, reads the
# settings from the registry and uninstalls silently, leaving no file behind.
# Exits 0 on success, 1 on a failed check. Every wait has a timeout; Xvfb,
# the program and the prefix's wineserver are ended on every path.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
linux_report=$(realpath "${2:-$root/build/cli/velmar-report}")
tools=$root/tools
work=$build/check-installer
failed=0
xvfb_pid=
velmar_pid=

setups=("$build"/velmar-*-setup.exe)
[ -f "${setups[0]}" ] || { echo "FAIL: no installer in $build"; exit 1; }
setup=${setups[0]}
[ -x "$linux_report" ] || { echo "FAIL: no Linux velmar-report at $linux_report"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset QT_QPA_PLATFORM WAYLAND_DISPLAY SESSION_MANAGER
export LC_ALL=C.UTF-8

cleanup() {
    [ -n "$velmar_pid" ] && kill "$velmar_pid" 2>/dev/null && wait "$velmar_pid" 2>/dev/null
    timeout 20 wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    # The prefix is large; the screenshot and any evidence of a failure stay.
    [ "$failed" -eq 0 ] && rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

fail() {
    failed=1
    echo "FAIL: $*"
    [ -n "${DISPLAY:-}" ] && timeout 10 import -window root "$work/screen-at-failure.png" 2>/dev/null &&
        echo "screen: $work/screen-at-failure.png"
    [ -s "$work/velmar.log" ] && tail -20 "$work/velmar.log" | sed 's/^/velmar: /'
    exit 1
}

# shellcheck source=../wait_for.sh
. "$tools/wait_for.sh"

# A Windows path of the prefix as a Linux one.
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_var() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { print $2, $3 }'; }

echo "a fresh Wine prefix"
# wineboot's own status tells little without a display; the registry it writes does.
timeout 300 wine wineboot --init >/dev/null 2>&1
timeout 120 wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix in $WINEPREFIX"
# Wine has no Times New Roman; the metric twin Linux also takes for it keeps
# the windows' text as wide as on Windows.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f \
    >/dev/null 2>&1 || fail "cannot name a replacement for Times New Roman"

echo "silent install: $(basename "$setup")"
timeout 300 wine "$setup" /S || fail "the installer ended with status $?"
timeout 120 wineserver -w
local_app_data=$(win_var LOCALAPPDATA)
inst=$(unix_path "$local_app_data\\Programs\\Velmar")
[ -n "$inst" ] && [ -f "$inst/velmar.exe" ] && [ -f "$inst/velmar-report.exe" ] ||
    fail "the programs are not in $local_app_data\\Programs\\Velmar"
for f in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qgif.dll \
    translations/qtbase_ru.qm qt.conf uninstall.exe; do
    [ -f "$inst/$f" ] || fail "$f is not installed"
done
start_menu=$(unix_path "$(win_var APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
[ -f "$start_menu/Велмар.lnk" ] || fail "no Start-menu entry Велмар.lnk in $start_menu"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmar'
# reg prints in the console's code page; the prefix's registry file has the text itself.
grep -q '^"DisplayName"="\\x412\\x435\\x43b\\x43c\\x430\\x440"' "$WINEPREFIX/user.reg" ||
    fail "the uninstaller is not registered as Велмар: $(wine reg query "$uninstall_key" 2>&1 | tr -d '\r')"
echo "installed into $inst: $(du -sk "$inst" | cut -f1) KB in $(find "$inst" -type f | wc -l) files"

echo "the installed velmar-report gives the Linux build's bytes"
tables=(
    "8 2 1 5" "0 5 6 4" "6 12 12 5" "0 0 3 4" "1 0 0 1" "250 250 250 250" "0 2000 2000 0"
    "--margins 10 9 16 --a 8" "--margins 8 6 10"
)
for table in "${tables[@]}"; do
    # shellcheck disable=SC2086 # the words of a table are its arguments
    for mode in "" --cp1251 --csv "--conf-level 0.99"; do
        "$linux_report" $mode $table >"$work/linux.out" 2>&1
        linux_status=$?
        wine "$inst/velmar-report.exe" $mode $table >"$work/windows.out" 2>&1
        windows_status=$?
        [ "$linux_status" -eq "$windows_status" ] ||
            fail "velmar-report $mode $table: status $windows_status on Windows, $linux_status on Linux"
        if [ "$mode" = --cp1251 ]; then
            cmp -s "$work/linux.out" "$work/windows.out" ||
                fail "velmar-report $mode $table: the bytes differ: $(cmp "$work/linux.out" "$work/windows.out")"
        else
            # The console's text mode ends each line with CR LF.
            sed 's/\r$//' "$work/windows.out" | cmp -s "$work/linux.out" - ||
                fail "velmar-report $mode $table differs: $(sed 's/\r$//' "$work/windows.out" | diff "$work/linux.out" - | head -6)"
        fi
    done
done
printf '8 2 1 5\r\n0 0 0 0\r\n# note\n6;12;12;5\r12 5 6 12\n' >"$work/tables.txt"
"$linux_report" --batch <"$work/tables.txt" >"$work/linux.csv" 2>&1
wine "$inst/velmar-report.exe" --batch <"$work/tables.txt" >"$work/windows.csv" 2>&1
# The first seventeen columns come from the distribution in extended
# precision and keep their bytes; the searches behind the later ones run in
# double through each C library's exp and log, whose last bits differ, so
# those agree within 1e-13 relative (the promise is 1e-9).
sed 's/\r$//' "$work/windows.csv" >"$work/windows-lf.csv"
python3 - "$work/linux.csv" "$work/windows-lf.csv" <<'COMPARE' ||
import sys
linux, windows = (open(p).read().splitlines() for p in sys.argv[1:3])
if len(linux) != len(windows):
    sys.exit(f"{len(windows)} lines on Windows, {len(linux)} on Linux")
for n, (l, w) in enumerate(zip(linux, windows), 1):
    lf, wf = l.split(","), w.split(",")
    if lf[:17] != wf[:17] or len(lf) != len(wf):
        sys.exit(f"line {n}: {w} against {l}")
    for a, b in zip(lf[17:], wf[17:]):
        if a == b:
            continue
        try:
            x, y = float(a), float(b)
        except ValueError:
            sys.exit(f"line {n}: {b} against {a}")
        if abs(x - y) > 1e-13 * max(abs(x), abs(y)):
            sys.exit(f"line {n}: {b} against {a}")
COMPARE
    fail "velmar-report --batch differs"

echo "velmar.exe on a virtual X server"
for tool in Xvfb xdotool import python3; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed"
done
: >"$work/display"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >>"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_for 20 "Xvfb" test -s "$work/display"
export DISPLAY=:$(head -1 "$work/display")
wait_for 30 "Xvfb to take a client" xdotool getdisplaygeometry

key() { xdo key --delay 60 "$@" || fail "cannot press $*"; }
type_keys() { xdo type --delay 60 "$1" || fail "cannot type '$1'"; }
velmar_running() { [ -n "$velmar_pid" ] && kill -0 "$velmar_pid" 2>/dev/null; }
main_or_exit() { window_shown "$MAIN" || ! velmar_running; }

MAIN='Велмар (v. 2.0)'
REPORT='Распределение'
CHART='График распределения'

# The prefix's wineserver still runs from the console programs above, with
# no display: a window opened through it would go nowhere. A new one, started
# with DISPLAY set, draws on the virtual screen.
timeout 20 wineserver -k 2>/dev/null
timeout 60 wineserver -w
wine "$inst/velmar.exe" >"$work/velmar.log" 2>&1 &
velmar_pid=$!
# The first window of a fresh prefix waits for Wine to set up its fonts and
# desktop: minutes on a loaded machine.
wait_for 300 "the main window" main_or_exit
window_shown "$MAIN" || fail "velmar.exe ended before showing its main window"
main=$(window "$MAIN")
xdo windowraise "$main"
xdo windowfocus --sync "$main" || fail "cannot focus the main window"
sleep 1
# Enter moves from field to field; in d it moves to «Расчет», which it then presses.
type_keys 8; key Return; type_keys 2; key Return; type_keys 1; key Return; type_keys 5
key Return Return
wait_for 60 "the report window" window_shown "$REPORT"
wait_for 60 "the chart window" window_shown "$CHART"
sleep 2
timeout 20 import -window root "$work/velmar-wine.png" || fail "no screenshot"
# With no window manager the windows overlap: each raised, then taken alone.
for shot in main:"$MAIN" report:"$REPORT" chart:"$CHART"; do
    id=$(window "${shot#*:}")
    xdo windowraise "$id" && sleep 1 &&
        timeout 20 import -window "$id" "$work/velmar-wine-${shot%%:*}.png" ||
        fail "no screenshot of the window «${shot#*:}»"
done
echo "screenshots: $work/velmar-wine{,-main,-report,-chart}.png"

# Closing the main window ends the program, as the user would close it.
timeout 10 python3 "$tools/x11_close_window.py" "$main" || fail "cannot close the main window"
deadline=$((SECONDS + 60))
while kill -0 "$velmar_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "velmar.exe did not end after its main window was closed"
    sleep 0.3
done
wait "$velmar_pid"
status=$?
velmar_pid=
[ "$status" -eq 0 ] || fail "velmar.exe ended with status $status"
timeout 60 wineserver -w

echo "the settings in HKEY_CURRENT_USER\\Software\\VLM-2010-v2"
settings='HKCU\Software\VLM-2010-v2'
for pair in a=8 b=2 c=1 d=5 m=10 n=6 k=9 t=7 s=16; do
    [ "$(reg_value "$settings" "Ed_${pair%=*}")" = "REG_SZ ${pair#*=}" ] ||
        fail "Ed_${pair%=*} is not \"${pair#*=}\": $(wine reg query "$settings" 2>&1 | tr -d '\r')"
done
case "$(reg_value "$settings" FormFWidth)" in
"REG_DWORD 0x"*) ;;
*) fail "FormFWidth is not a REG_DWORD: $(wine reg query "$settings" 2>&1 | tr -d '\r')" ;;
esac

echo "silent uninstall"
timeout 120 wine "$inst/uninstall.exe" /S || fail "the uninstaller ended with status $?"
# The uninstaller runs on from a copy of itself; the prefix is idle when it is done.
timeout 120 wineserver -w
wait_for 60 "the install folder to go" test ! -e "$inst"
[ ! -e "$start_menu/Велмар.lnk" ] || fail "the Start-menu entry is left"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstaller's registration is left"
[ "$(reg_value "$settings" Ed_a)" = "REG_SZ 8" ] || fail "uninstalling removed the settings"
echo "PASS"
