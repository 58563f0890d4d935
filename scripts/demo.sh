#!/usr/bin/env bash
# Build the program and play the demo scene headless, leaving everything it
# showed and did in demo-output/:
#   video/rawN.png, video/gameN.png  the frames recorded in every pass
#   trace.jsonl                      what every pass did
#   ss_warped.png, ss_normal.png, ss_cont.png  the screenshots the scene clicks for
#   snapshots/                       each window's last image
#   demo.avi                         "normal" and "game" side by side, one frame a pass
# and print a summary. Extra arguments go to the program (a later --passes wins).
set -u
source "$(dirname "$0")/setup.sh"
cd "$project_root" || exit 1

install_missing || exit 1
build build || exit 1

passes=460
out=demo-output
rm -rf "$out"
mkdir -p "$out/video"
# The program reads its data files from its working directory.
cp -r Data circleExample.txt circleExampleYellow.txt "$out/" || exit 1
cd "$out" || exit 1

start=$(date +%s.%N)
../build/drawtable --headless --source demo --passes "$passes" --trace trace.jsonl --snapshots snapshots \
	--video demo.avi "$@" >console.txt 2>&1
status=$?
end=$(date +%s.%N)
if [ "$status" -ne 0 ]; then
	cat console.txt
	echo "drawtable ended with status $status"
	exit "$status"
fi

count() { grep -o "\"type\": \"$1\"" trace.jsonl | wc -l; }
run=$(wc -l <trace.jsonl)
echo
echo "demo-output/ of $(cd .. && pwd)"
echo "passes run:        $run ($(awk -v n="$run" -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", n / (b - a) }') a second, with recording)"
echo "rescans:           $(count scan), $(count hand) held back by a hand"
echo "new maps:          $(count newMap)"
echo "balls:             $(count ball)"
echo "sensors:           $(count sensor), touched $(count touched) times"
echo "score:             $(count scored) points, $(count solved) drawings solved"
echo "shatters:          $(count shatter)"
echo "boxes dropped:     $(count box)"
echo "recorded frames:   $(ls video | wc -l) files in video/"
echo "screenshots:       $(ls ss_*.png 2>/dev/null | tr '\n' ' ')"
echo "video:             demo.avi, $(../build/video_frames demo.avi)"
