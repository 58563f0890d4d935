#!/usr/bin/env bash
# Every tool in tools/, and the program, answers --help with its usage on
# standard output, nothing on standard error and status 0, and does nothing
# else (no file is written where it runs).
set -u
build=$1
root=$2
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

tools=("$build/drawtable")
for source in "$root"/tools/*.cpp; do
	tools+=("$build/$(basename "$source" .cpp)")
done
for script in "$root"/tools/*.sh; do
	tools+=("$script")
done
for tool in "${tools[@]}"; do
	[ -x "$tool" ] || fail "$tool is not built"
	"$tool" --help >out.txt 2>err.txt
	status=$?
	[ "$status" -eq 0 ] || fail "$(basename "$tool") --help gave status $status: $(cat err.txt)"
	grep -q "^usage: " out.txt || fail "$(basename "$tool") --help printed no usage: $(cat out.txt)"
	[ ! -s err.txt ] || fail "$(basename "$tool") --help wrote to stderr: $(cat err.txt)"
	rm -f out.txt err.txt
	[ -z "$(ls -A)" ] || fail "$(basename "$tool") --help left $(ls -A)"
done
echo "ok: ${#tools[@]} tools"
