#!/usr/bin/env bash
# projected_board keeps its calibration in a folder of its own: a leftover
# calibration in TMPDIR is not read, two runs side by side each measure their
# own projector and leave nothing behind, and a TMPDIR that does not exist is
# one line and status 1.
set -u
tool=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cp -r "$data/Data" "$work/" || exit 1
cd "$work" || exit 1
mkdir tmp
echo "not a calibration" >tmp/projected_board.yml

TMPDIR=$work/tmp "$tool" Data/scenes/projector.scene 40 one.png >one.txt 2>&1 &
first=$!
TMPDIR=$work/tmp "$tool" Data/scenes/projector.scene 40 two.png >two.txt 2>&1
second=$?
wait "$first" || fail "the first run failed: $(cat one.txt)"
[ "$second" -eq 0 ] || fail "the second run failed: $(cat two.txt)"
for run in one two; do
	grep -q '^projector calibration: ' $run.txt || fail "run $run measured no projector: $(cat $run.txt)"
	[ -s $run.png ] || fail "run $run wrote no picture"
done
[ "$(ls -A tmp)" = "projected_board.yml" ] || fail "left behind in TMPDIR: $(ls -A tmp)"
grep -q '^not a calibration$' tmp/projected_board.yml || fail "the leftover file was changed"

TMPDIR=$work/nowhere "$tool" Data/scenes/projector.scene 5 three.png >out.txt 2>err.txt
status=$?
[ "$status" -eq 1 ] || fail "a missing TMPDIR gave status $status"
[ "$(wc -l <err.txt)" -eq 1 ] || fail "a missing TMPDIR said more than one line: $(cat err.txt)"
grep -q "$work/nowhere" err.txt || fail "the missing TMPDIR is not named: $(cat err.txt)"
[ ! -e three.png ] || fail "a picture was written without a calibration folder"
echo "ok"
