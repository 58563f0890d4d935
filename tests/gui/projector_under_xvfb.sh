#!/usr/bin/env bash
# Projector mode with windows on a private X server wide enough for the
# program's windows and, right of them, the projector's picture: the
# "projector" window fills its rectangle exactly, the first start measures the
# projector and writes Data/projector.yml, c measures it again, the game plays
# (a board scan, balls), and ESC ends the program with status 0.
# Exits 77 (skipped) when Xvfb or xdotool is not installed.
set -u
source "$(dirname "$(realpath "$0")")/gui_work_folder.sh"
rm -f Data/projector.yml

fail() {
	echo "FAIL: $*"
	[ -f err.txt ] && sed 's/^/  stderr: /' err.txt
	[ -f out.txt ] && grep projector out.txt | sed 's/^/  stdout: /'
	[ -s xvfb.txt ] && sed 's/^/  Xvfb: /' xvfb.txt
	exit 1
}

# The windows take 1920 x 1200; the projector is a second screen beside them.
private_screen=3200x1200
start_private_display || fail "Xvfb did not start or takes no clients on ${DISPLAY:-no display}"

cat >projected.scene <<'SCENE'
view 480 10 0
projector 700 0 0 size 1280 800 focal 2000 latency 2 room 0.85 brightness 150
map play
ring black 185 190 28 4
ring black 300 190 28 4
stroke black 4  160 222  376 325
ring yellow 250 265 28 4
portal 500 240
at 1 map play
SCENE
"$drawtable" --source scene:projected.scene --projector 1920,0,1280,800 --trace run.jsonl >out.txt 2>err.txt &
app_pid=$!

window_of() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_of "$1")" ]; }
wait_for 150 has_window projector || fail "no window \"projector\""
projector=$(window_of projector)

# Where the window really is: its client area on the root window.
at_its_place() {
	local geometry
	geometry=$(xwininfo -id "$projector" 2>/dev/null) || return 1
	local x y w h
	x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$geometry")
	y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$geometry")
	w=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
	h=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
	place="$x,$y,$w,$h"
	[ "$place" = "1920,0,1280,800" ]
}
place=""
wait_for 50 at_its_place || fail "the projector window is at $place, not 1920,0,1280,800"

# Calibrations that succeeded: at least $1 of them.
calibrated() { [ "$(grep -o '"type": "projectorCalibration", "ok": true' run.jsonl 2>/dev/null | wc -l)" -ge "$1" ]; }
wait_for 300 calibrated 1 || fail "the first start did not measure the projector"
wait_for 50 test -s Data/projector.yml || fail "no Data/projector.yml written"
wait_for 300 grep -q '"type": "ball"' run.jsonl || fail "no ball made after the calibration"

xdotool mousemove --window "$projector" 100 100 key c
wait_for 300 calibrated 2 || fail "c did not measure the projector again"
xdotool key w
sleep 0.5

xdotool key Escape
wait_for 100 eval '! kill -0 $app_pid 2>/dev/null' || fail "ESC did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "projector calibration: .* error over the board 0\.[0-9]* projector pixels RMS, at most [01]\.[0-9]*" err.txt || fail "no calibration figures printed"
echo "ok"
