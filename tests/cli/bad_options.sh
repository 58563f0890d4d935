#!/usr/bin/env bash
# A bad option or value prints the usage to standard error and ends with status 2.
set -u
drawtable=$1
fail() { echo "FAIL: $*"; exit 1; }

for args in "--unknown" "--passes 0" "--passes abc" "--source nowhere" "--trace" "--camera 1280x" \
	"--camera 1280x720@30:h264" "--source demo --camera 640x480" "--list-cameras=yes"; do
	# shellcheck disable=SC2086
	"$drawtable" $args >out.txt 2>err.txt
	status=$?
	[ "$status" -eq 2 ] || fail "'$args' gave status $status"
	grep -q "^usage: drawtable" err.txt || fail "'$args' printed no usage on stderr"
	[ ! -s out.txt ] || fail "'$args' wrote to stdout: $(cat out.txt)"
done

"$drawtable" --help >out.txt 2>err.txt || fail "--help failed"
grep -q "^usage: drawtable" out.txt || fail "--help printed no usage"
rm -f out.txt err.txt
echo "ok"
