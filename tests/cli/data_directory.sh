#!/usr/bin/env bash
# --data DIR: the input files come from DIR, what the program writes goes to
# the working directory; a data directory that does not exist is named.
set -u
drawtable=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir "$work/table" "$work/run" "$work/run/video"
cp -r "$data/Data" "$data"/circleExample*.txt "$work/table/" || exit 1
cd "$work/run" || exit 1

"$drawtable" --headless --source demo --passes 52 --data ../table --trace run.jsonl --snapshots shots \
	>out.txt 2>err.txt || fail "run with --data failed: $(cat err.txt)"
# Only why the scans the demo's hand holds back build nothing, and on a
# machine without a sound card that the game is silent.
! grep -v -e '^scan held back: a hand over' -e '^no sound: ' err.txt \
	|| fail "unexpected messages (a file not found?): $(cat err.txt)"
grep -q '"type": "ball"' run.jsonl || fail "no ball: the templates were not read from the data directory"
[ -s shots/game.png ] && [ -s video/raw0.png ] || fail "outputs not in the working directory"
[ ! -e ../table/run.jsonl ] && [ ! -e ../table/video ] || fail "outputs written into the data directory"

"$drawtable" --headless --passes 5 --data ../nowhere >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a missing data directory was accepted"
grep -q "\.\./nowhere" err.txt || fail "the missing data directory is not named: $(cat err.txt)"

rm ../table/Data/markers/portal.dat
"$drawtable" --headless --passes 5 --data ../table >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a missing portal file in the data directory was accepted"
grep -q "table/Data/markers/portal.dat" err.txt || fail "the missing file is not named by its path: $(cat err.txt)"
echo "ok"
