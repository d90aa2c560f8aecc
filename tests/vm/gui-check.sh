#!/usr/bin/env bash
# The whole program against the unit emulator on a real sequencer, on an X
# server of its own, driven by xdotool through every step: Next to step 4, the
# search finds the emulator, step 5, step 6 with the progress bar moving, step 7
# "Finish", exit status 0; then the emulator's flash must equal the image.
# Screenshots of steps 6 and 7 go to $RESULTS/gui/.
#   RESULTS=DIR BUILD=DIR bash gui-check.sh
set -euo pipefail

out="$RESULTS/gui"
mkdir -p "$out"
program="$BUILD/ZarvelFirmwareUpdater"
emulator="$BUILD/tools/zarvel-unit-emulator"
checker="$BUILD/tests/zarvel-alsa-device-link-check"

xvfbPid="" appPid="" emulatorPid=""
cleanup() {
    for pid in $appPid $emulatorPid $xvfbPid; do
        kill "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }
. "$(dirname "$(realpath "$0")")/../support/x-session.sh"
elapsed() { echo $(( ($(date +%s%N) - start) / 1000000 )); }

"$emulator" --quiet --flash "$out/flash.bin" > "$out/emulator.log" 2>&1 &
emulatorPid=$!

startXvfb "$out"

# Screen content: the window, or a box in the window's content area.
shot() { xwd -root -silent > "$out/$1.xwd"; }
digest() { convert "xwd:$out/$1.xwd" -crop "$2" +repage -format '%#' info:; }
window() { echo "${WIDTH}x${HEIGHT}+${winX}+${winY}"; }
content() { echo "${3}x${4}+$((winX + 3 + $1))+$((winY + 31 + $2))"; }
png() { convert "xwd:$out/$1.xwd" -crop "$(window)" +repage "$out/$2"; }

# The page's title and the Next button, in content coordinates.
title() { digest "$1" "$(content 40 213 420 16)"; }
button() { digest "$1" "$(content 422 327 96 20)"; }

# A click right after a window maps can be lost: the pointer moves first.
clickNext() {
    xdotool mousemove $((winX + 3 + 470)) $((winY + 31 + 337))
    sleep 0.3
    xdotool click 1
}

waitForTitleChange() {
    local before=$1 name=$2 seconds=$3
    for _ in $(seq $((seconds * 2))); do
        shot "$name"
        [ "$(title "$name")" != "$before" ] && return 0
        xdotool search --onlyvisible --name "^Error$" > /dev/null 2>&1 && { shot "$name-error"; fail "an Error box at $name"; }
        sleep 0.5
    done
    fail "the page did not change to $name within $seconds s"
}

#-------------------------------------------------------------------------------
start=$(date +%s%N)
(cd "$out" && exec "$program") > "$out/program.log" 2>&1 &
appPid=$!

win=$(timeout 60 xdotool search --sync --onlyvisible --name "^Zarvel Firmware Updater - Firmware Version" | head -1) \
    || fail "no wizard window"
eval "$(xdotool getwindowgeometry --shell "$win")"
winX=$X winY=$Y
pass "the wizard window maps ($(elapsed) ms)"
sleep 1
shot step0

previous=step0
for n in 1 2 3 4; do
    clickNext
    waitForTitleChange "$(title $previous)" "step$n" 30
    previous=step$n
done
pass "Next leads to step 4"

# The search blocks the window while it tries every pair: about a second for
# each that does not answer.
start=$(date +%s%N)
clickNext
waitForTitleChange "$(title step4)" step5 60
pass "the search finds the emulator and step 5 is shown ($(elapsed) ms)"

start=$(date +%s%N)
clickNext
waitForTitleChange "$(title step5)" step6 30
png step6 wizard-step6.png
sleep 2
shot step6-later
[ "$(title step6-later)" = "$(title step6)" ] || fail "step 6 was left before its progress could be seen"
png step6-later wizard-step6-later.png
[ "$(digest step6 "$(window)")" != "$(digest step6-later "$(window)")" ] || fail "the progress bar does not move at step 6"
pass "step 6 shows the progress bar moving"

waitForTitleChange "$(title step6)" step7 300
png step7 wizard-step7.png
pass "the upload ends at step 7 ($(elapsed) ms from step 6)"
[ "$(button step7)" != "$(button step6)" ] || fail "the Next button reads the same at step 7"

clickNext
expectCleanExit "$appPid" "$out/program.log"
appPid=""
pass "Finish quits the program with status 0, with nothing leaked"

kill -TERM "$emulatorPid"
wait "$emulatorPid" || fail "the emulator did not end well"
emulatorPid=""
cat "$out/emulator.log"
"$checker" --compare-flash "$out/flash.bin" || fail "the emulator's flash differs from the image"
pass "the emulator's flash equals the image byte for byte"
rm -f "$out"/*.xwd
echo "gui: all steps passed"
