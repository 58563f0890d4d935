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
source "$(dirname "$0")/../scripts/tool_options.sh"
answer_common_options "usage: tools/screenshot_windows.sh [BUILD_DIR] [OUT.png]
takes the picture of the windows while the demo plays under Xvfb
(default build/ and docs/windows.png)" "$@"
for tool in Xvfb xwd convert; do
	command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install xvfb x11-apps imagemagick" >&2; exit 1; }
done
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath "${2:-$root/docs/windows.png}")
source "$root/scripts/private_display.sh"
work=$(mktemp -d)
trap end_private_display EXIT
cd "$work"

start_private_display || { echo "Xvfb did not start: $(cat xvfb.txt)" >&2; exit 1; }

"$build/drawtable" --data "$root" --source demo --trace run.jsonl >out.txt 2>err.txt &
app_pid=$!
for _ in $(seq 600); do grep -q '"pass": 185,' run.jsonl 2>/dev/null && break; sleep 0.05; done
xwd -root -silent >screen.xwd
# The windows lie side by side in two rows from the top left.
convert xwd:screen.xwd -crop 1920x1000+0+0 +repage -trim +repage -resize 50% "$out"
echo "$out"
