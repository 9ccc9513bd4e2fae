# Waiting for a desktop program under test and finding its windows, for the
# scripts that drive one on an X server (tests/e2e/run_e2e.sh,
# tools/windows/check_installer.sh). Sourced; the caller defines
# fail MESSAGE, which reports and exits.

# poll SECONDS COMMAND...: runs COMMAND until it succeeds; fails after SECONDS.
poll() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    poll "$seconds" "$@" || fail "timed out after ${seconds} s waiting for $what"
}

# xdotool with a timeout: a hung X server fails the step instead of the run.
xdo() { timeout 15 xdotool "$@"; }

# The id of the visible window with exactly this title.
window() {
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][().*+?^$|\\{}]/\\&/g')
    xdo search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -1
}
window_shown() { [ -n "$(window "$1")" ]; }
