# Sourced by the command-line tests. `enter_work_folder DATA` makes a fresh
# temporary folder holding the program's data files from the source tree
# DATA, as a user's working folder holds them, goes there, and removes it
# when the test ends (read-only parts included). `fail MESSAGE` ends the test.

fail() { echo "FAIL: $*"; exit 1; }

enter_work_folder() {
	local data
	data=$(realpath "$1")
	work=$(mktemp -d)
	trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
	cd "$work" || exit 1
	cp -r "$data/Data" "$data"/circleExample*.txt . || exit 1
}
