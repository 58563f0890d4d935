#!/usr/bin/env bash
# The synthetic camera's board is found in the first rescan, start-up refuses
# data files it cannot use with one line naming the file and status 1, and a
# folder holding only Data/ and the two templates is all the program needs.
set -u
drawtable=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail() { echo "FAIL: $*"; exit 1; }
fresh_data() {
	rm -rf Data ./*.xml
	cp -r "$data/Data" "$data"/circleExample*.txt . || exit 1
}

# A still board with a ramp, a wall, a black ring at (200, 190), a yellow ring
# and the portal card: nothing moves, so the first scan comes in pass 16.
cat >still.scene <<'SCENE'
map still
stroke black 4 175 235 450 320
stroke black 4 165 175 165 240
ring black 200 190 28 4
ring yellow 320 280 28 4
portal 540 240
SCENE
fresh_data
"$drawtable" --headless --source scene:still.scene --passes 40 --trace t.jsonl >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "demo run: status $status, stderr: $(cat err.txt)"
grep -q "Image size (x,y) = (640,480)" out.txt || fail "no image size in: $(cat out.txt)"
[ "$(grep -c '"type": "scan"' t.jsonl)" -eq 1 ] || fail "expected one scan in 40 passes"
grep '"type": "scan"' t.jsonl | grep -q '^{"pass": 16, ' || fail "the scan is not in pass 16"
grep '"type": "scan", "ok": true, "homography": \[[^]]*\], "portalVisible": true' t.jsonl >/dev/null \
	|| fail "scan event: $(grep scan t.jsonl)"

# The black ring, drawn at board pixel (200, 190), becomes a ball at world
# (10, 1) in the first rescan, and the ball falls.
"$drawtable" --headless --source scene:still.scene --passes 200 --trace t.jsonl >out.txt 2>err.txt \
	|| fail "long demo run: $(cat err.txt)"
ball=$(grep -o '"type": "ball", "x": [-0-9.e]*, "y": [-0-9.e]*' t.jsonl | head -n 1 | tr -d ',"' | awk '{print $4, $6}')
[ -n "$ball" ] || fail "no ball made: $(grep -o '"type": "[a-zA-Z]*"' t.jsonl | sort | uniq -c)"
awk -v b="$ball" 'BEGIN { split(b, p, " "); d = (p[1] - 10) ^ 2 + (p[2] - 1) ^ 2; exit !(d < 1) }' \
	|| fail "ball made at $ball, not at the drawn ring"
late=$(sed -n '200p' t.jsonl | grep -o '"moving": \[\[[-0-9.e]*, [-0-9.e]*' | tr -d ',[' | awk '{print $3}')
[ -n "$late" ] || fail "no moving body in pass 200"
awk -v b="$ball" -v y="$late" 'BEGIN { split(b, p, " "); exit !(y < p[2] - 2) }' \
	|| fail "the ball did not fall: made at $ball, y $late in pass 200"

# expect_refused FILE-TO-BREAK CONTENT MESSAGE-ON-STDOUT
expect_refused() {
	fresh_data
	printf '%b' "$2" >"$1"
	"$drawtable" --headless --source file:none.png --passes 3 >out.txt 2>err.txt
	status=$?
	[ "$status" -eq 1 ] || fail "$1 with '$2': status $status"
	grep -qF "$3" out.txt || fail "$1: no \"$3\" in: $(cat out.txt)"
	[ "$(grep -c "^$1:" err.txt)" -eq 1 ] || fail "$1: expected one line naming the file: $(cat err.txt)"
}
expect_refused Data/camera_para.dat 'short' "Camera parameter load error !!"
expect_refused Data/markers/marker.dat '6\naruco 4X4_50 0\n40\n0 0\n1 0 0 0\n0 1 0 0\n0 0 1 0\n' "config data load error !!"
expect_refused Data/markers/portal.dat '1\naruco 9X9_50 1\n' "config data load error !!"
expect_refused Data/markers/portal.dat '1\naruco 4X4_50 10\nsixty\n' "config data load error !!"
expect_refused Data/markers/marker.dat '1\naruco 4X4_50 0\n40\n0 0\n1 0 0 0\n0 1 0 0\n0 0 1 0\n' "config data load error !!"

fresh_data
rm Data/markers/portal.dat
"$drawtable" --headless --source file:none.png --passes 3 >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a missing portal file does not stop start-up"
grep -q "Data/markers/portal.dat" err.txt || fail "missing portal file not named: $(cat err.txt)"

fresh_data
others=$(ls -A | grep -v -x -e Data -e circleExample.txt -e circleExampleYellow.txt -e err.txt -e out.txt \
	-e still.scene -e t.jsonl)
[ -z "$others" ] || fail "the working folder holds more than Data/ and the templates: $others"
"$drawtable" --headless --source demo --passes 60 --trace t.jsonl >out.txt 2>err.txt \
	|| fail "the demo does not run from Data/ and the templates alone: $(cat err.txt)"
grep -q '"type": "scan", "ok": true' t.jsonl || fail "the demo board was never scanned"

# A data folder made before the video configuration moved into Data/ keeps
# it at the top under a name holding the backslash; it still works. Where
# both are, the one in Data/ is read.
mv Data/WDM_camera_flipV.xml 'Data\WDM_camera_flipV.xml'
"$drawtable" --headless --source demo --passes 3 >out.txt 2>err.txt \
	|| fail "the video configuration under its old name is refused: $(cat err.txt)"
cp 'Data\WDM_camera_flipV.xml' Data/WDM_camera_flipV.xml
echo 'damaged' >'Data\WDM_camera_flipV.xml'
"$drawtable" --headless --source demo --passes 3 >out.txt 2>err.txt \
	|| fail "the old name is read although Data/WDM_camera_flipV.xml exists: $(cat err.txt)"

fresh_data
rm Data/WDM_camera_flipV.xml
"$drawtable" --headless --source file:none.png --passes 3 >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a missing video configuration does not stop start-up"
grep -qF 'Data/WDM_camera_flipV.xml: cannot open' err.txt || fail "missing video configuration not named: $(cat err.txt)"
echo "ok"
