# Waiting for a desktop program under test, for the scripts that drive one
# (tests/e2e/run_e2e.sh, tools/windows/check_installer.sh). Sourced; the
# caller defines fail MESSAGE, which reports and exits.

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
