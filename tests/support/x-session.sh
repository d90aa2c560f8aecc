# For the tests that run the built program under X: sourced, after `fail` is defined.

# Starts an X server of our own (so nothing else moves the pointer or takes the
# focus), sets xvfbPid and DISPLAY. $1: a folder for its display number and log.
startXvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
    xvfbPid=$!
    for _ in $(seq 200); do [ -s "$1/display" ] && break; sleep 0.1; done
    [ -s "$1/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -1 "$1/display")"
}

# Waits up to 30 s for the program to end, then fails unless it ended with
# status 0 and JUCE's leak detector reported nothing in its logs.
#   expectCleanExit PID LOG...
expectCleanExit() {
    local pid=$1 status=0
    shift
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "the program did not quit"
    wait "$pid" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status"
    if grep -q "Leaked objects detected" "$@"; then
        fail "the program leaked at exit"
    fi
}
