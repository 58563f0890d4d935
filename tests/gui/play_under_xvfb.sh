#!/usr/bin/env bash
# The real program with windows on a private X server, played with real input
# over the demo camera, whose board is found in the first rescan: a drag in
# "game" lays walls, z drops a box, "normal" closed with its close button opens
# again in its place, clicks in "normal" and "cont" save the camera picture and
# the contour picture, and closing "game" ends the program with status 0, as
# ESC does in a second run.
# Exits 77 (skipped) when Xvfb or xdotool is not installed.
set -u
# Sends a window what a window manager's close button sends.
close_window=$(realpath "$3")
source "$(dirname "$(realpath "$0")")/gui_work_folder.sh"

start_private_display || fail "Xvfb did not start or takes no clients on ${DISPLAY:-no display}"

# A still board with one drawing and no scripted input, so every wall and box
# in the trace comes from this test. The contour picture that a click in
# "cont" saves is made by the first board scan, in pass 16: the clicks wait for it.
cat >still.scene <<'SCENE'
view 480 10 0
map still
stroke black 4  160 222  376 325
ring black 300 190 28 4
portal 500 240
at 1 map still
SCENE
"$drawtable" --source scene:still.scene --trace run.jsonl >out.txt 2>err.txt &
app_pid=$!

window_of() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_of "$1")" ]; }
for name in game normal cont; do
	wait_for 150 has_window "$name" || fail "no window \"$name\""
done
game=$(window_of game)
normal=$(window_of normal)
cont=$(window_of cont)
wait_for 150 grep -q '"type": "scan", "ok": true' run.jsonl || fail "no successful board scan traced"

# Each step is given time to arrive on its own, so no two moves are merged.
xdotool mousemove --window "$game" 100 100 mousedown 1
sleep 0.2
xdotool mousemove --window "$game" 150 100
sleep 0.2
xdotool mousemove --window "$game" 180 140
sleep 0.2
xdotool mouseup 1
sleep 0.2
xdotool key z  # keys go to the window under the pointer
sleep 0.2

# Closed, "normal" opens again with the next picture: a new window in the same
# place, which still takes clicks.
"$close_window" "$normal" || fail "cannot close \"normal\""
reopened_in_place() {
	local window
	window=$(window_of normal)
	[ -n "$window" ] && [ "$window" != "$normal" ] &&
		xdotool getwindowgeometry "$window" 2>/dev/null | grep -q "Position: 640,0"
}
wait_for 50 reopened_in_place ||
	fail "\"normal\" did not open again in its place after it was closed: $(xwininfo -root -tree | grep '"normal"')"
normal=$(window_of normal)
xdotool mousemove --window "$normal" 50 50 click 1
sleep 0.2
xdotool mousemove --window "$cont" 20 20 click 1

wait_for 50 grep -q '"type": "box"' run.jsonl || fail "no box in the trace"
wait_for 50 test -s ss_normal.png || fail "no ss_normal.png"
wait_for 50 test -s ss_cont.png || fail "no ss_cont.png"

# The close button of "game" ends the run as ESC does.
"$close_window" "$game" || fail "cannot close \"game\""
wait_for 100 eval '! kill -0 $app_pid 2>/dev/null' || fail "closing \"game\" did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status after closing \"game\""

walls=$(grep -o '"type": "mouseWall"' run.jsonl | wc -l)
[ "$walls" -ge 2 ] || fail "$walls mouse walls traced, expected 2"
grep -q '"x1": 5, "y1": 10, "x2": 0, "y2": 10' run.jsonl || fail "no wall from (150, 100) back to (100, 100)"
boxes=$(grep -o '"type": "box"' run.jsonl | wc -l)
[ "$boxes" -eq 1 ] || fail "$boxes boxes traced, expected 1"
grep -q '"wall": [1-9]' run.jsonl || fail "no wall body counted"
# ESC ends the program with status 0. Keys go to the window under the
# pointer, so the key waits until "game" is on the screen.
"$drawtable" --source scene:still.scene >esc.txt 2>>err.txt &
app_pid=$!
game_viewable() { has_window game && xwininfo -id "$(window_of game)" 2>/dev/null | grep -q IsViewable; }
wait_for 150 game_viewable || fail "no window \"game\" in the second run"
# A window just mapped may not take keys yet (on a busy machine its toolkit
# is still setting up), so the key is pressed again each second, as a user
# would, for up to ten seconds.
press_escape() {
	xdotool mousemove --window "$(window_of game)" 10 10 key Escape
	wait_for 10 eval '! kill -0 $app_pid 2>/dev/null'
}
wait_for 10 press_escape || fail "ESC did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status after ESC"

# The PNG header holds width and height: 640 x 480.
[ "$(od -An -tx1 -j16 -N8 ss_normal.png | tr -d ' \n')" = "00000280000001e0" ] || fail "ss_normal.png is not 640 x 480"
[ "$(od -An -tx1 -j16 -N8 ss_cont.png | tr -d ' \n')" = "00000280000001e0" ] || fail "ss_cont.png is not 640 x 480"
echo "ok"
