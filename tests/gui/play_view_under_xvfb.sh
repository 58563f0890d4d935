#!/usr/bin/env bash
# The players' window "play" of the real program on a private X server,
# playing the demo: paused with space once its first sensor is lit, a
# screenshot has the balls where the trace puts them, the lit sensor's ring
# brighter than the unlit one's and the heads-up line; played on, the drawing
# is solved, which the trace and the heads-up line say. ESC ends the run.
# With --windows play, "play" is the only window, 1280 wide, and ESC ends it.
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -u
source "$(dirname "$(realpath "$0")")/gui_work_folder.sh"
checker="$(dirname "$(realpath "$0")")/check_play_view.py"
command -v import >/dev/null || { echo "skipped: needs ImageMagick's import"; exit 77; }

start_private_display || fail "Xvfb did not start or takes no clients on ${DISPLAY:-no display}"

# The demo, paused between its first sensor's touch (pass 189) and its second's (194).
sed 's/^at 285 /at 191 key space\n&/' Data/scenes/demo.scene >paused.scene
grep -q "^at 191 key space" paused.scene || fail "the demo scene has no pass 285 to put the pause before"
"$drawtable" --source scene:paused.scene --trace run.jsonl --record none >out.txt 2>err.txt &
app_pid=$!

window_of() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_of "$1")" ]; }
wait_for 150 has_window play || fail "no window \"play\""
play=$(window_of play)
passes() { wc -l <run.jsonl; }
reached() { [ "$(passes)" -ge "$1" ]; }
wait_for 300 reached 215 || fail "the run did not reach pass 215: $(passes) passes traced"
grep -q '"type": "paused"' run.jsonl || fail "the pause is not in the trace"
# A paused pass is on the screen: the world stands as the trace's last pass has it.
import -window "$play" -depth 8 paused.ppm || fail "no screenshot of \"play\""
import -window "$play" paused.png
# The trace as it stands while paused: what the paused picture shows.
cp run.jsonl paused.jsonl

xdotool mousemove --window "$play" 20 60
xdotool key space
wait_for 100 grep -q '"type": "solved"' run.jsonl || fail "the demo was not solved after playing on"
solvedAt=$(passes)
wait_for 100 reached $((solvedAt + 30)) || fail "the run stopped after it was solved"
import -window "$play" -depth 8 solved.ppm || fail "no screenshot of \"play\" once solved"
import -window "$play" solved.png
grep -q '"type": "scored"' run.jsonl || fail "no scored event in the trace"

python3 "$checker" paused.jsonl paused.ppm solved.ppm || {
	cp paused.png solved.png "${TMPDIR:-/tmp}/" 2>/dev/null
	fail "the play window does not show the game as the trace has it (pictures in ${TMPDIR:-/tmp})"
}

xdotool key Escape
wait "$app_pid"
status=$?
[ "$status" -eq 0 ] || fail "ESC ended the run with status $status"

"$drawtable" --source demo --windows play --record none --trace alone.jsonl >out.txt 2>err.txt &
app_pid=$!
wait_for 150 has_window play || fail "no window \"play\" with --windows play"
wait_for 100 grep -q '"type": "playView"' alone.jsonl || fail "no playView traced with --windows play"
for name in game normal warped cont skewbinary; do
	has_window "$name" && fail "\"$name\" is on the screen with --windows play"
done
grep -q '"width": 1280' alone.jsonl || fail "\"play\" alone is not 1280 wide: $(grep -o '"type": "playView"[^}]*' alone.jsonl | head -n 1)"
xdotool mousemove --window "$(window_of play)" 20 60
xdotool key Escape
wait "$app_pid"
status=$?
[ "$status" -eq 0 ] || fail "ESC ended the run with --windows play with status $status"
echo "ok"
