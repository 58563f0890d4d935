#!/usr/bin/env bash
# Take the README's picture of the program's windows: the demo played with
# windows on a private X server, the screen photographed when the balls roll
# (after about 3 seconds of play, pass 185 at 60 passes a second), cut to the
# windows and halved.
#
#     tools/screenshot_windows.sh [BUILD_DIR] [OUT.png]
#
# Needs Xvfb, xwd (x11-apps) and ImageMagick's convert; the tests do not.
set -eu
for tool in Xvfb xwd convert; do
	command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install xvfb x11-apps imagemagick" >&2; exit 1; }
done
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath "${2:-$root/docs/windows.png}")
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
	[ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
	[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
	wait 2>/dev/null
	rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>display.txt 2>xvfb.txt &
xvfb_pid=$!
for _ in $(seq 100); do [ -s display.txt ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 display.txt)"

"$build/drawtable" --data "$root" --source demo --trace run.jsonl >out.txt 2>err.txt &
app_pid=$!
for _ in $(seq 600); do grep -q '"pass": 185,' run.jsonl 2>/dev/null && break; sleep 0.05; done
xwd -root -silent >screen.xwd
# The windows lie side by side in two rows from the top left.
convert xwd:screen.xwd -crop 1920x1000+0+0 +repage -trim +repage -resize 50% "$out"
echo "$out"
