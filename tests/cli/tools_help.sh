#!/usr/bin/env bash
# Every tool in tools/, and the program, answers --help with its usage and
# --version with the project's version, on standard output, nothing on
# standard error and status 0; an unknown option is refused with status 2 in
# a first line on standard error that names it (the tools say no more; the
# program and the calibration tool add their usage), never taken for a file
# name. None of them does anything else (no file is written where it runs).
set -u
build=$1
root=$2
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
version=$(sed -n 's/^project(drawtable VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"

tools=("$build/drawtable")
for source in "$root"/tools/*.cpp; do
	tools+=("$build/$(basename "$source" .cpp)")
done
for script in "$root"/tools/*.sh; do
	tools+=("$script")
done
for tool in "${tools[@]}"; do
	[ -x "$tool" ] || fail "$tool is not built"
	name=$(basename "$tool")
	"$tool" --help >out.txt 2>err.txt
	status=$?
	[ "$status" -eq 0 ] || fail "$name --help gave status $status: $(cat err.txt)"
	grep -q "^usage: " out.txt || fail "$name --help printed no usage: $(cat out.txt)"
	[ ! -s err.txt ] || fail "$name --help wrote to stderr: $(cat err.txt)"

	"$tool" --version >out.txt 2>err.txt
	status=$?
	[ "$status" -eq 0 ] || fail "$name --version gave status $status: $(cat err.txt)"
	expected="$name (drawtable) $version"
	[ "$name" = drawtable ] && expected="drawtable $version"
	[ "$(cat out.txt)" = "$expected" ] || fail "$name --version printed \"$(cat out.txt)\", not \"$expected\""
	[ ! -s err.txt ] || fail "$name --version wrote to stderr: $(cat err.txt)"

	# Where a tool takes a file or folder name first, and where it takes one
	# last; the program takes none.
	cases=("--frobnicate" "print --frobnicate" "x --frobnicate")
	[ "$name" = drawtable ] && cases=("--frobnicate")
	for arguments in "${cases[@]}"; do
		# shellcheck disable=SC2086
		"$tool" $arguments >out.txt 2>err.txt
		status=$?
		[ "$status" -eq 2 ] || fail "$name $arguments gave status $status, not 2: $(cat err.txt)"
		head -n 1 err.txt | grep -q '"--frobnicate"' || fail "$name $arguments did not name the option: $(cat err.txt)"
		case "$name" in
		drawtable | calibrate) ;;
		*) [ "$(wc -l <err.txt)" -eq 1 ] || fail "$name $arguments said more than one line: $(cat err.txt)" ;;
		esac
	done
	rm -f out.txt err.txt
	[ -z "$(ls -A)" ] || fail "$name left $(ls -A)"
done
echo "ok: ${#tools[@]} tools"
