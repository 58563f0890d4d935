#!/usr/bin/env bash
# --record video keeps the camera frames as a lossless video that --source
# file: plays again: the replay's trace is the recorded run's, line for line.
# --record none keeps nothing, even where a "video" folder is.
set -u
drawtable=$(realpath "$1")
data=$(realpath "$2")
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$data"

# The demo without its keys: a video holds the camera's frames, not the keys
# pressed. 200 passes: the hand, the first scan and balls, the knocked camera.
grep -v ' key ' Data/scenes/demo.scene >played.scene
"$drawtable" --headless --source scene:played.scene --passes 200 --record video --trace recorded.jsonl \
	>out.txt 2>err.txt || fail "the recorded run failed: $(cat err.txt)"
grep -q '^recording into folder "video": camera.avi' out.txt || fail "the recording was not announced: $(cat out.txt)"
[ -s video/camera.avi ] && [ -s video/game.avi ] || fail "no videos: $(ls video)"
[ -z "$(ls video | grep -v '\.avi$')" ] || fail "more than the videos: $(ls video)"

mkdir again
cp -r Data circleExample*.txt again/
(cd again && mkdir video && "$drawtable" --headless --source file:../video/camera.avi --passes 200 --record none \
	--trace ../replayed.jsonl >out.txt 2>err.txt) || fail "the replay failed: $(cat again/err.txt)"
[ -z "$(ls again/video)" ] || fail "--record none recorded: $(ls again/video)"
[ "$(wc -l <recorded.jsonl)" -eq 200 ] || fail "the recorded trace has $(wc -l <recorded.jsonl) passes"
cmp -s recorded.jsonl replayed.jsonl || fail "the replay differs from the recorded run: $(diff recorded.jsonl replayed.jsonl | head -c 600)"
echo "ok"
