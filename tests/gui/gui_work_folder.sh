# Sourced by the GUI tests with the program and the source tree as $1 and $2:
# sets `drawtable` and `data`, skips the test (status 77) when Xvfb or xdotool
# is missing, loads the private display's helpers (scripts/private_display.sh)
# and enters a fresh working folder holding the program's data files, which
# goes, with the display, when the test ends. Defines `wait_for` and `fail`.
drawtable=$(realpath "$1")
data=$(realpath "$2")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "skipped: needs Xvfb and xdotool"; exit 77; }

# In a sanitizer build, leaks of the window system's libraries are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/private_display.sh"
work=$(mktemp -d)
trap end_private_display EXIT
cd "$work" || exit 1
# The program reads its data files from the working directory.
cp -r "$data/Data" "$data"/circleExample*.txt . || exit 1

# Poll a condition for up to $1 tenths of a second.
wait_for() {
	local tenths=$1 i
	shift
	for ((i = 0; i < tenths; i++)); do
		"$@" && return 0
		sleep 0.1
	done
	return 1
}

# Fail the test with a message, and what the program and Xvfb said.
fail() {
	echo "FAIL: $*"
	[ -f err.txt ] && sed 's/^/  stderr: /' err.txt
	[ -s xvfb.txt ] && sed 's/^/  Xvfb: /' xvfb.txt
	exit 1
}
