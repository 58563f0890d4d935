#!/usr/bin/env bash
# The program started headless for a fixed number of passes: it greets, ends
# with status 0, traces every pass and leaves the windows' last images.
set -u
drawtable=$(realpath "$1")
data=$2
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$data"

"$drawtable" --headless --passes 300 >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "status $status, stderr: $(cat err.txt)"
grep -q "hello world" out.txt || fail "no greeting in: $(cat out.txt)"

"$drawtable" --headless --passes 40 --source file:missing%03d.png --trace run.jsonl --snapshots shots \
	>out.txt 2>err.txt || fail "traced run failed: $(cat err.txt)"
[ "$(wc -l <run.jsonl)" -eq 40 ] || fail "trace has $(wc -l <run.jsonl) lines, expected 40"
head -n 1 run.jsonl | grep -q '^{"pass": 1, "still": ' || fail "first trace line: $(head -n 1 run.jsonl)"
tail -n 1 run.jsonl | grep -q '^{"pass": 40, ' || fail "last trace line: $(tail -n 1 run.jsonl)"
[ -s shots/game.png ] || fail "no game snapshot"
grep -q "missing%03d.png" err.txt || fail "no word about the missing source: $(cat err.txt)"

"$drawtable" --headless --passes 5 --trace no/such/dir/run.jsonl >out.txt 2>err.txt
status=$?
[ "$status" -eq 1 ] || fail "unwritable trace gave status $status"
grep -q "no/such/dir/run.jsonl" err.txt || fail "message does not name the trace file: $(cat err.txt)"
echo "ok"
