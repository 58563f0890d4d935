#!/usr/bin/env bash
# Every pass writes video/rawN.png and video/gameN.png; without a "video"
# folder the program runs on, writes nothing, creates no folder and says so
# once on standard error.
set -u
drawtable=$(realpath "$1")
data=$(realpath "$2")
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$data"

# A camera frame to play: the black game view of a one-pass run.
"$drawtable" --headless --passes 1 --source file:none%04d.png --snapshots shots >/dev/null 2>&1
mkdir frames
for i in 0 1 2 3 4 5 6 7; do cp shots/game.png "frames/f$i.png"; done

"$drawtable" --headless --passes 6 --source file:frames/f%d.png >out.txt 2>err.txt || fail "run without video/ failed"
[ ! -e video ] || fail "the video folder was created"
[ "$(grep -c '"video"' err.txt)" -eq 1 ] || fail "expected one line about the video folder: $(cat err.txt)"

mkdir video
"$drawtable" --headless --passes 6 --source file:frames/f%d.png >out.txt 2>err.txt || fail "run with video/ failed"
for i in 0 1 2 3 4 5; do
	[ -s "video/raw$i.png" ] && [ -s "video/game$i.png" ] || fail "pair $i missing: $(ls video)"
done
[ ! -e video/game6.png ] || fail "more pairs than passes"
! grep -q '"video"' err.txt || fail "complaint about a working video folder: $(cat err.txt)"
echo "ok"
