#!/usr/bin/env bash
# Failing cameras, displays and disks: a camera that does not open, no
# display for the windows, a trace file that cannot be opened or written, a
# video and an image sequence that end, a "video" folder that cannot be
# written or stops being writable mid-run. The program runs on to its last
# pass (only a trace file it cannot open, or no display for its windows, stops
# its start), says once on standard error what it could not do, and loses no
# frame it could write.
set -u
drawtable=$(realpath "$1")
data=$(realpath "$2")
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$data"

# run NAME ARGS...: runs the program headless, expects status 0.
run() {
	local name=$1
	shift
	"$drawtable" --headless "$@" >"$name.out" 2>"$name.err"
	local status=$?
	[ "$status" -eq 0 ] || fail "$name: status $status, stderr: $(cat "$name.err")"
}

# The line about a failure appears exactly once, however many passes fail.
once() {
	local name=$1 pattern=$2
	local count
	count=$(grep -c -- "$pattern" "$name.err")
	[ "$count" -eq 1 ] || fail "$name: expected one line with \"$pattern\", found $count: $(head -c 600 "$name.err")"
}

# No camera at the device asked for (no /dev/video7 here): one line naming
# the cameras found and --source demo; the game waits for it, looking every
# second, and the trace says so in its first pass.
run nocamera --source device:7 --passes 30 --trace nocamera.jsonl
once nocamera "device:7"
once nocamera "^no camera at device:7 (cameras found: .*--source demo"
[ "$(wc -l <nocamera.jsonl)" -eq 30 ] || fail "nocamera: not every pass traced"
[ "$(grep -c '"cameraLost"' nocamera.jsonl)" -eq 1 ] && head -1 nocamera.jsonl | grep -q '"reason": "not found"' \
	|| fail "nocamera: the trace does not say the camera was not found in pass 1 alone"
grep -q "no frame came" nocamera.err && fail "nocamera: a second line about the same camera: $(cat nocamera.err)"

# No display to open windows on: one line suggesting --headless, status 1,
# never the toolkit's abort. A display named where no server answers is the same.
free_display=99
while [ -e "/tmp/.X11-unix/X$free_display" ]; do free_display=$((free_display + 1)); done
for display in "" ":$free_display"; do
	env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$drawtable" --source demo --passes 5 >nodisplay.out 2>nodisplay.err
	status=$?
	[ "$status" -eq 1 ] || fail "no display \"$display\": status $status, expected 1: $(cat nodisplay.err)"
	[ "$(wc -l <nodisplay.err)" -eq 1 ] && grep -q "run with --headless" nodisplay.err \
		|| fail "no display \"$display\": not one line suggesting --headless: $(cat nodisplay.err)"
	[ ! -s nodisplay.out ] || fail "no display \"$display\": started before it stopped: $(cat nodisplay.out)"
done

# --list-cameras names the cameras, or says there is none, and ends.
"$drawtable" --list-cameras >cameras.out 2>cameras.err || fail "--list-cameras: status $?"
head -1 cameras.out | grep -Eq "^(device:[0-9]+  /dev/video|no camera found)" || fail "--list-cameras: $(cat cameras.out)"
[ ! -s cameras.err ] || fail "--list-cameras wrote errors: $(cat cameras.err)"

# A trace file that cannot be opened stops the start with a line naming it;
# one that cannot be written mid-run (a full disk) is said once, the game runs on.
"$drawtable" --headless --source demo --passes 5 --trace nowhere/t.jsonl >notrace.out 2>notrace.err
status=$?
[ "$status" -eq 1 ] || fail "notrace: status $status, expected 1"
once notrace 'nowhere/t.jsonl'
if [ -w /dev/full ]; then
	run fulldisk --source demo --passes 30 --trace /dev/full
	once fulldisk 'cannot write trace file "/dev/full"'
fi

# A short video made by the program itself, then played past its end.
run makeclip --source demo --passes 5 --video clip.avi
run clipends --source file:clip.avi --passes 40 --trace clipends.jsonl
once clipends "no frame came"
grep -q "file:clip.avi" clipends.err || fail "clipends: the source is not named: $(cat clipends.err)"
[ "$(wc -l <clipends.jsonl)" -eq 40 ] || fail "clipends: not every pass traced"

# An image sequence of three frames, played for thirty passes.
run shots --source demo --passes 60 --snapshots shots
mkdir frames
for i in 0 1 2; do cp shots/normal.png "frames/f$i.png"; done
run sequenceends --source file:frames/f%d.png --passes 30
once sequenceends "no frame came"

# "video" that cannot hold frames: a plain file in its place (root may write
# into any folder), and for other users a read-only folder as well.
touch video
run novideo --source demo --passes 20
once novideo '"video"'
rm video
if [ "$(id -u)" -ne 0 ]; then
	mkdir video
	chmod a-w video
	run readonly --source demo --passes 20
	once readonly '"video"'
	chmod u+w video
	rm -rf video
fi

# The folder goes away while frames are recorded: the frames written before
# stay whole and numbered from 0, the program runs to its end.
mkdir video
"$drawtable" --headless --source demo --passes 400 >gone.out 2>gone.err &
pid=$!
while [ ! -e video/game20.png ] && kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
mv video kept && touch video
wait "$pid" || fail "gone: status $?, stderr: $(cat gone.err)"
once gone '"video"'
pairs=$(ls kept | grep -c '^game')
[ "$pairs" -ge 20 ] || fail "gone: only $pairs frames were kept"
for ((i = 0; i < pairs - 1; i++)); do
	[ -s "kept/raw$i.png" ] && [ -s "kept/game$i.png" ] || fail "gone: pair $i is missing or empty"
done
echo "ok"
