#!/usr/bin/env bash
# The demo scene from end to end: the program plays it headless with
# recording, screenshots and video, and its trace shows the story of the
# scene in the right passes. The same frames written as an image sequence
# and played from files give the same scans. A bad scene file stops start-up.
#
#     demo_scene.sh DRAWTABLE SOURCE_DIR VIDEO_FRAMES RENDER_SCENE
set -u
drawtable=$(realpath "$1")
data=$(realpath "$2")
video_frames=$(realpath "$3")
render_scene=$(realpath "$4")
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$data"

passes=460
mkdir video
"$drawtable" --headless --source demo --passes $passes --trace demo.jsonl --snapshots shots --video demo.avi \
	>out.txt 2>err.txt || fail "demo run: status $?, stderr: $(cat err.txt)"

# passes_with TYPE [FILE]: the passes in which an event of that type happened.
passes_with() {
	grep "\"type\": \"$1\"" "${2:-demo.jsonl}" | grep -o '^{"pass": [0-9]*' | awk '{ print $2 }'
}
count() { grep -o "\"type\": \"$1\"" demo.jsonl | wc -l; }
has() { grep -q "^{\"pass\": $2, .*\"type\": \"$1\"" demo.jsonl; }

# Everything was written, once a pass.
[ "$(wc -l <demo.jsonl)" -eq $passes ] || fail "trace has $(wc -l <demo.jsonl) passes"
[ -s "video/raw$((passes - 1)).png" ] && [ -s "video/game$((passes - 1)).png" ] || fail "recording incomplete"
[ "$(ls video | wc -l)" -eq $((2 * passes)) ] || fail "$(ls video | wc -l) recorded files"
for shot in ss_warped.png ss_normal.png ss_cont.png shots/game.png shots/normal.png; do
	[ -s "$shot" ] || fail "no $shot"
done
frames=$("$video_frames" demo.avi) || fail "the video cannot be read"
[ "$frames" = "$passes frames of 1280x480" ] || fail "video: $frames"

# The hand holds the scan back: every scan before the first new map saw it,
# and the first scan past it found a new map.
first_map=$(passes_with newMap | head -n 1)
[ -n "$first_map" ] || fail "no new map"
[ -n "$(passes_with hand)" ] || fail "the hand never held a scan back"
for scan in $(passes_with scan); do
	[ "$scan" -lt "$first_map" ] || break
	has hand "$scan" || fail "scan in pass $scan before the first new map, but no hand"
done
has scan "$first_map" || fail "new map in pass $first_map without a scan"
[ "$(passes_with ball | head -n 1)" = "$first_map" ] || fail "the first balls are not made with the first new map"

# The knocked camera: a later rescan keeps the map and its balls.
second_map=$(passes_with newMap | sed -n 2p)
[ -n "$second_map" ] || fail "the redrawn board gave no second new map"
kept=""
for scan in $(passes_with scan); do
	if [ "$scan" -gt "$first_map" ] && [ "$scan" -lt "$second_map" ] && ! has hand "$scan"; then
		kept=$scan
		break
	fi
done
[ -n "$kept" ] || fail "no rescan between the two new maps"
has newMap "$kept" && fail "the rescan in pass $kept made a new map"
has ball "$kept" && fail "the rescan in pass $kept made balls again"
solid() { sed -n "$1p" demo.jsonl | grep -o '"solid": [0-9]*' | awk '{ print $2 }'; }
[ "$(solid $((kept + 1)))" -ge 1 ] || fail "no ball left after the rescan in pass $kept"
# The redrawn board is rebuilt with balls of its own.
has ball "$second_map" || fail "no balls made with the second new map"

# Balls fall and roll: the first ball, 80 passes after it was made, is lower
# and elsewhere along the board.
ball=$(grep -o '"type": "ball", "x": [-0-9.e]*, "y": [-0-9.e]*' demo.jsonl | head -n 1 | tr -d ',"' | awk '{ print $4, $6 }')
later=$(sed -n "$((first_map + 80))p" demo.jsonl | grep -o '"moving": \[\[[-0-9.e]*, [-0-9.e]*' | tr -d ',[' | awk '{ print $2, $3 }')
awk -v b="$ball" -v l="$later" 'BEGIN { split(b, p, " "); split(l, q, " "); exit !(q[2] < p[2] - 2 && (q[1] - p[1]) ^ 2 > 1) }' \
	|| fail "the first ball, made at $ball, is at $later 80 passes later"

[ "$(count ball)" -ge 2 ] || fail "$(count ball) balls"
[ "$(count touched)" -ge 1 ] || fail "no sensor touched"
[ "$(count shatter)" -ge 1 ] || fail "no ball shattered"
[ "$(count box)" -eq 1 ] || fail "$(count box) boxes for one scripted z"

# The same frames from files, through the hand and the first new map: the same
# scans, in the same passes, with the same results.
sequence=60
"$render_scene" Data/scenes/demo.scene $sequence frames >/dev/null || fail "render_scene failed"
"$drawtable" --headless --source file:frames/%04d.png --passes $sequence --trace files.jsonl >out.txt 2>err.txt \
	|| fail "image-sequence run: $(cat err.txt)"
for type in scan hand newMap ball; do
	[ "$(passes_with $type files.jsonl)" = "$(passes_with $type demo.jsonl | awk -v n=$sequence '$1 <= n')" ] \
		|| fail "$type events differ between the demo and its frames from files"
done

# A scene file with a fault stops start-up with one line naming it.
printf 'map a\nring blue 200 190 28 4\n' >bad.scene
"$drawtable" --headless --source scene:bad.scene --passes 3 >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a bad scene file does not stop start-up"
[ "$(cat err.txt)" = 'bad.scene:2: INK "blue" must be black, half-dry, yellow, warm-yellow, lemon, neon, pale-yellow, pale-green, red, or a colour #RRGGBB' ] || fail "message: $(cat err.txt)"

"$drawtable" --headless --source demo --passes 3 --video no/such/dir/v.avi >out.txt 2>err.txt
[ $? -eq 1 ] || fail "an unwritable video does not stop start-up"
[ "$(cat err.txt)" = "no/such/dir/v.avi: cannot write a video there (the writer takes .avi)" ] \
	|| fail "video message: $(cat err.txt)"
echo "ok"
