#!/usr/bin/env bash
# A long run, not part of every test run: the demo scene headless for PASSES
# passes (default 20000) with frame recording on, its timeline played again
# every 460 passes (the hand, the shaken camera, the redrawn board, new balls
# and shatters over and over). Checks that resident memory at the last pass
# is within 5 MB of its value at pass 2000, that the number of registered
# bodies stays bounded, and that every recorded frame pair is on disk. Builds
# the program into build/ first. Frames go to a temporary folder (about 15 GB
# for 20000 passes), removed at the end unless KEEP=1.
set -u
source "$(dirname "$0")/setup.sh"
cd "$project_root" || exit 1
passes=${1:-20000}
early=2000
# Only the program is needed.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build -j "$(nproc)" --target drawtable >/dev/null || exit 1

work=$(mktemp -d)
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
cp -r Data circleExample*.txt "$work"/ || exit 1
mkdir "$work/video"
cd "$work" || exit 1

# The demo's drawings and first view, then its timeline ("at PASS ...") again
# and again, each round 460 passes after the one before.
round=460
{
	grep -v '^at ' Data/scenes/demo.scene
	for ((start = 0; start < passes + 50; start += round)); do
		awk -v start=$start '$1 == "at" { $2 += start; print }' Data/scenes/demo.scene
	done
} >soak.scene

fail() { echo "FAIL: $*"; exit 1; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
traced() { [ -f trace.jsonl ] && wc -l <trace.jsonl || echo 0; }

started=$(date +%s)
# A few passes more than asked, so that the process is still there to be
# measured when the trace reaches the last pass.
"$project_root/build/drawtable" --headless --source scene:soak.scene --passes $((passes + 50)) --trace trace.jsonl \
	>out.txt 2>err.txt &
pid=$!
rss_early=""
rss_late=""
next_report=$early
while kill -0 "$pid" 2>/dev/null; do
	done_passes=$(traced)
	if [ "$done_passes" -ge "$next_report" ] && [ "$done_passes" -lt "$passes" ]; then
		echo "pass $done_passes: resident memory $(rss_kb "$pid") kB ($(($(date +%s) - started)) s)"
		next_report=$((next_report + early))
	fi
	if [ -z "$rss_early" ] && [ "$done_passes" -ge "$early" ]; then
		rss_early=$(rss_kb "$pid")
	fi
	if [ -z "$rss_late" ] && [ "$done_passes" -ge "$passes" ]; then
		rss_late=$(rss_kb "$pid")
		echo "pass $done_passes: resident memory ${rss_late} kB"
	fi
	sleep 0.2
done
wait "$pid" || fail "status $?: $(tail -n 3 err.txt)"
seconds=$(($(date +%s) - started))
[ -n "$rss_early" ] && [ -n "$rss_late" ] || fail "resident memory was not measured"

recorded=$((passes + 50))
missing=0
for ((i = 0; i < recorded; i++)); do
	[ -s "video/raw$i.png" ] && [ -s "video/game$i.png" ] || missing=$((missing + 1))
done
# Registered bodies (all kinds) per pass: the largest count in the first
# `early` passes and over the whole run.
max_bodies() {
	sed -n "$1" trace.jsonl | grep -o '"bodies": {[^}]*}' \
		| awk '{ s = 0; n = split($0, f, /[^0-9]+/); for (i = 1; i <= n; i++) s += f[i]; if (s > m) m = s } END { print m + 0 }'
}
bodies_early=$(max_bodies "1,${early}p")
bodies_all=$(max_bodies "1,\$p")
growth=$((rss_late - rss_early))

echo "passes run:          $recorded in $seconds s"
echo "resident memory:     ${rss_early} kB at pass $early, ${rss_late} kB at pass $passes (${growth} kB more)"
echo "registered bodies:   at most $bodies_early in the first $early passes, at most $bodies_all in the run"
echo "frame pairs on disk: $((recorded - missing)) of $recorded"
echo "standard error:      $(wc -l <err.txt) lines"
[ "$growth" -le 5120 ] || fail "resident memory grew by ${growth} kB"
[ "$bodies_all" -le $((bodies_early + 20)) ] || fail "registered bodies grew to $bodies_all"
[ "$missing" -eq 0 ] || fail "$missing frame pairs missing"
echo "ok"
