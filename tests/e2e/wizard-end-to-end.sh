#!/usr/bin/env bash
# The built program on an X server of its own, driven by real X input: it shows
# step 0, walks to step 4, finds no unit (these machines have no MIDI ports),
# shows the "Error" box, is dismissed, refuses a second copy, opens the About box
# and quits through the right-click menu, both clicked and dragged, and quits with
# exit status 0 through its close button.
#   wizard-end-to-end.sh PROGRAM [OUTPUT_DIR]
set -euo pipefail

program=$(realpath "$1")
out=$(realpath -m "${2:-e2e-out}")
here=$(dirname "$(realpath "$0")")
mkdir -p "$out"

xvfbPid="" appPid=""
cleanup() {
    [ -n "$appPid" ] && kill "$appPid" 2>/dev/null || true
    [ -n "$xvfbPid" ] && kill "$xvfbPid" 2>/dev/null || true
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "--- $*"; }
. "$here/../support/x-session.sh"

#-------------------------------------------------------------------------------
startXvfb "$out"

shot() { xwd -root -silent > "$out/$1.xwd"; }
img() { python3 "$here/xwdimage.py" "$out/$1.xwd" "${@:2}"; }

click() {
    xdotool mousemove "$1" "$2"
    sleep 0.3
    xdotool click 1
}

# Content coordinates (the background picture's) to the screen's.
cx() { echo $((winX + 3 + $1)); }
cy() { echo $((winY + 31 + $1)); }

antiqueWhite=FAEBD7
buttonFace=D3D3D3

# Pixels of label text in a box given in content coordinates.
textPixels() { img "$1" count "$(cx "$2")" "$(cy "$3")" "$4" "$5" "$antiqueWhite" 24; }

# The two labels: the title's part that the page text never covers, and the page text.
titleDigest() { img "$1" digest "$(cx 40)" "$(cy 213)" 60 16; }
pageDigest() { img "$1" digest "$(cx 100)" "$(cy 210)" 420 110; }

waitForPageChange() {
    local before=$1 name=$2
    for _ in $(seq 100); do
        shot "$name"
        [ "$(titleDigest "$name")" != "$before" ] && return 0
        sleep 0.1
    done
    fail "the page did not change ($name)"
}

# xdotool's own wait gives up when a window goes while it looks through them
# (as a closed box's may): look again until one by that name shows, for up to
# TRIES tenths of a second (10 s). Prints its id.
#   findWindow NAME [TRIES]
findWindow() {
    local id
    for _ in $(seq "${2:-100}"); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

isShown() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }

# Starts the program with its output in $out/$1.log, and waits for its window.
#   startProgram NAME [ARGUMENT...]
startProgram() {
    local log="$out/$1.log"
    shift
    "$program" "$@" > "$log" 2>&1 &
    appPid=$!
    window=$(findWindow "^Zarvel Firmware Updater - Firmware Version: 1\.31$" 600) || fail "no window"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    winX=$X winY=$Y
}

windowDigest() { img "$1" digest "$winX" "$winY" 555 404; }

# Once a box or menu is gone the wizard must show its own content at once, not
# only when some input comes: the window as it is, untouched, must equal the
# window after the pointer has moved.
expectRepaintedWithoutInput() {
    sleep 2
    shot "$1"
    xdotool mousemove_relative 1 1
    sleep 1
    shot "$1-moved"
    [ "$(windowDigest "$1")" = "$(windowDigest "$1-moved")" ] \
        || fail "the wizard showed stale pixels until the pointer moved ($1)"
}

#-------------------------------------------------------------------------------
# The right-click menu. Opened at ($menuX, $menuY); JUCE names its window "menu".
aboutTitle="^About Zarvel Firmware Updater\.\.\.$"

waitForMenu() {
    local menu geometry
    for _ in $(seq 20); do
        menu=$(findWindow "^menu$") || fail "no menu"
        geometry=$(xdotool getwindowgeometry --shell "$menu" 2>/dev/null) && break
    done
    eval "$geometry"
    itemsX=$X itemsY=$Y itemsW=$WIDTH itemsH=$HEIGHT
}

itemX()      { echo $((itemsX + itemsW / 2)); }
aboutItemY() { echo $((itemsY + itemsH * 22 / 100)); }
exitItemY()  { echo $((itemsY + itemsH * 78 / 100)); }

# A right click: press and release at once, as on every desktop.
openMenuByClick() {
    glideTo "$menuX" "$menuY"
    sleep 0.3
    xdotool click 3
    waitForMenu
    sleep 0.5
}

# Press, drag to the item and release there. The item's row: a function name.
chooseByDrag() {
    glideTo "$menuX" "$menuY"
    xdotool mousedown 3
    waitForMenu
    glideTo "$(itemX)" "$($1)"
    sleep 0.5
    xdotool mouseup 3
}

# The pointer moves as a hand moves it: in small steps.
glideTo() {
    local x0 y0 i
    eval "$(xdotool getmouselocation --shell)"
    x0=$X y0=$Y
    for i in $(seq 1 10); do
        xdotool mousemove $((x0 + ($1 - x0) * i / 10)) $((y0 + ($2 - y0) * i / 10))
        sleep 0.03
    done
}

expectMenuOpenAndNoAboutBox() {
    isShown "$aboutTitle" && fail "the About box opened $1"
    isShown "^menu$" || fail "the menu closed $1"
    return 0
}

expectMenuClosedWithoutChoice() {
    for _ in $(seq 50); do
        isShown "^menu$" || break
        sleep 0.1
    done
    isShown "^menu$" && fail "the menu stayed open $1"
    sleep 0.5
    isShown "$aboutTitle" && fail "the About box opened $1"
    kill -0 "$appPid" 2>/dev/null || fail "the program quit $1"
    return 0
}

# The About box must be open; Escape closes it.
closeAboutBox() {
    findWindow "$aboutTitle" > /dev/null || fail "no About box"
    sleep 0.5
    xdotool key Escape
    for _ in $(seq 50); do
        isShown "$aboutTitle" || return 0
        sleep 0.1
    done
    fail "the About box stayed open after Escape"
}

#-------------------------------------------------------------------------------
step "start"
startProgram program --an-argument-it-ignores
[ "$WIDTH" = 555 ] && [ "$HEIGHT" = 404 ] || fail "window is ${WIDTH}x${HEIGHT}, not 555x404"
sleep 1

step "step 0"
shot step0
[ "$(img step0 size)" = "1024 768" ] || fail "screen size"
img step0 png "$out/wizard-step0.png" "$winX" "$winY" 555 404

# The grey frame around the picture.
for p in "1 200" "553 200" "277 402"; do
    set -- $p
    [ "$(img step0 pixel $((winX + $1)) $((winY + $2)))" = 808080 ] || fail "no grey frame at $p"
done

# Next shown, Previous hidden.
[ "$(img step0 count "$(cx 422)" "$(cy 327)" 96 20 "$buttonFace" 0)" -gt 800 ] || fail "Next button not shown"
[ "$(img step0 count "$(cx 322)" "$(cy 327)" 96 20 "$buttonFace" 0)" -lt 50 ] || fail "Previous button shown at step 0"

# The welcome text, several lines of it, and no title.
[ "$(textPixels step0 100 210 420 110)" -gt 400 ] || fail "no page text at step 0"
for line in 0 1 2 4; do
    [ "$(textPixels step0 103 $((211 + 18 * line)) 300 18)" -gt 20 ] || fail "line $line of the welcome text missing"
done
[ "$(textPixels step0 40 213 60 16)" -eq 0 ] || fail "a title at step 0"

#-------------------------------------------------------------------------------
step "steps 1 to 4"
previous=step0
for n in 1 2 3 4; do
    click "$(cx 470)" "$(cy 337)"
    waitForPageChange "$(titleDigest $previous)" "step$n"
    previous=step$n
done
[ "$(textPixels step1 40 213 60 16)" -gt 20 ] || fail "no title at step 1"
[ "$(img step4 count "$(cx 322)" "$(cy 327)" 96 20 "$buttonFace" 0)" -gt 800 ] || fail "Previous button not shown at step 4"
step4Title=$(titleDigest step4)
step4Page=$(pageDigest step4)

#-------------------------------------------------------------------------------
step "step 4: search without a unit"
click "$(cx 470)" "$(cy 337)"
box=$(findWindow "^Error$" 300) || fail "no Error box"
sleep 0.5
shot errorBox
eval "$(xdotool getwindowgeometry --shell "$box")"
boxX=$X boxY=$Y boxW=$WIDTH boxH=$HEIGHT
img errorBox png "$out/error-box.png" "$boxX" "$boxY" "$boxW" "$boxH"

# Its one button, "OK", sits centred at the bottom.
click $((boxX + boxW / 2)) $((boxY + boxH - 38))
for _ in $(seq 100); do
    isShown "^Error$" || break
    sleep 0.1
done
isShown "^Error$" && fail "the Error box stayed"

# What the box covered is the wizard's again without any input.
expectRepaintedWithoutInput afterBox
[ "$(titleDigest afterBox)" = "$step4Title" ] || fail "not at step 4 after the box"
[ "$(pageDigest afterBox)" = "$step4Page" ] || fail "the page of step 4 changed after the box"

#-------------------------------------------------------------------------------
step "a second copy"
set +e
timeout 60 "$program" > "$out/second.log" 2>&1
second=$?
set -e
[ "$second" = 0 ] || fail "the second copy ended with $second"
kill -0 "$appPid" 2>/dev/null || fail "the first copy is gone"
[ "$(xdotool search --onlyvisible --name "^Zarvel Firmware Updater" | wc -l)" = 1 ] || fail "not exactly one wizard window"
shot afterSecond
[ "$(titleDigest afterSecond)" = "$step4Title" ] || fail "the first copy's wizard changed"

#-------------------------------------------------------------------------------
# Left of the screen's centre the menu opens to the right of the pointer, with
# "About..." under it.
menuX=$(cx 100) menuY=$(cy 60)

step "menu: click to open, click About..."
openMenuByClick
glideTo "$(itemX)" "$(aboutItemY)"
sleep 1
expectMenuOpenAndNoAboutBox "before the click on About..."
xdotool click 1
closeAboutBox
expectRepaintedWithoutInput afterAbout
[ "$(pageDigest afterAbout)" = "$step4Page" ] || fail "the page of step 4 changed after the About box"

step "menu: press, drag to About... and release"
chooseByDrag aboutItemY
closeAboutBox

step "menu: Escape and a click outside close it"
openMenuByClick
xdotool key Escape
expectMenuClosedWithoutChoice "after Escape"
openMenuByClick
click "$(cx 400)" "$(cy 150)"
expectMenuClosedWithoutChoice "after a click outside"
expectRepaintedWithoutInput afterMenus
[ "$(pageDigest afterMenus)" = "$step4Page" ] || fail "the page of step 4 changed after the menus"

step "menu: click to open, click Exit..."
openMenuByClick
glideTo "$(itemX)" "$(exitItemY)"
sleep 1
expectMenuOpenAndNoAboutBox "before the click on Exit..."
xdotool click 1
expectCleanExit "$appPid" "$out/program.log" "$out/second.log"
appPid=""

#-------------------------------------------------------------------------------
step "menu: press, drag to Exit... and release"
startProgram menuDrag
chooseByDrag exitItemY
expectCleanExit "$appPid" "$out/menuDrag.log"
appPid=""

#-------------------------------------------------------------------------------
step "quit through the close button"
startProgram closeButton
# Nothing gives the new window the focus without a window manager, and JUCE
# enables the title bar's buttons only in a focused window: a click on the picture.
click "$(cx 275)" "$(cy 60)"
sleep 0.5
click $((winX + 555 - 3 - 17)) $((winY + 3 + 14))
expectCleanExit "$appPid" "$out/closeButton.log"
appPid=""

echo "PASS"
