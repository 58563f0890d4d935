#!/usr/bin/env bash
# Remake the shipped circle templates, circleExample.txt and
# circleExampleYellow.txt, from the demo board: the synthetic camera
# photographs it, the program rectifies it, and make_templates takes the
# roundest black and yellow ring from the rectified picture.
#
#     tools/make_shipped_templates.sh [BUILD_DIR]
set -eu
source "$(dirname "$0")/../scripts/tool_options.sh"
answer_common_options "usage: tools/make_shipped_templates.sh [BUILD_DIR]
remakes circleExample.txt and circleExampleYellow.txt from the demo board
(BUILD_DIR: where drawtable and make_templates are built, default build/)" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp -r "$root/Data" .
# The demo scene's first drawing alone, without the timeline (whose hand
# would hold the first scan back).
awk '/^map /{ maps++ } maps <= 1 && !/^at /' Data/scenes/demo.scene >first.scene
# 16 passes: the first board scan runs in pass 16. Without templates in this
# folder no circle becomes a ball, so the rectified picture keeps every ring.
"$build/drawtable" --headless --source scene:first.scene --passes 16 --snapshots shots >/dev/null 2>&1
"$build/make_templates" shots/warped.png "$root"
