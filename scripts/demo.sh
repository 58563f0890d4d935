#!/usr/bin/env bash
# Build the program and run it headless, leaving what it showed and did in
# demo-output/: the windows' last images and the trace of every pass.
set -u
source "$(dirname "$0")/setup.sh"
cd "$project_root" || exit 1

install_missing || exit 1
build build || exit 1

out=demo-output
mkdir -p "$out"
./build/drawtable --headless --passes 300 --trace "$out/trace.jsonl" --snapshots "$out/snapshots" "$@"
status=$?
echo
echo "passes run: $(wc -l <"$out/trace.jsonl")"
echo "window images: $(ls "$out/snapshots" 2>/dev/null | tr '\n' ' ')"
exit "$status"
