#!/usr/bin/env bash
# The tools that play a scene (render_scene, projected_board) read their
# command line alike: a wrong count of arguments is the usage and status 2, a
# bad pass count one line naming it and status 2, a scene that cannot be read
# one line naming it and status 1; none writes anything then.
set -u
build=$(realpath "$1")
source "$(dirname "$0")/work_folder.sh"
enter_work_folder "$2"

# tool, status, the line said (empty: the usage), the arguments
check() {
	local tool=$1 status=$2 said=$3
	shift 3
	"$build/$tool" "$@" >out.txt 2>err.txt
	local got=$?
	[ "$got" -eq "$status" ] || fail "$tool $*: status $got, not $status: $(cat err.txt)"
	if [ -z "$said" ]; then
		grep -q "^usage: $tool " err.txt || fail "$tool $*: no usage: $(cat err.txt)"
	else
		[ "$(cat err.txt)" = "$said" ] || fail "$tool $*: said \"$(cat err.txt)\", not \"$said\""
	fi
	[ ! -e output ] || fail "$tool $*: wrote output"
}

for tool in render_scene projected_board; do
	check $tool 2 "" Data/scenes/projector.scene 5
	check $tool 2 "" Data/scenes/projector.scene 5 output extra
	for count in 0 -3 x 5x 100001 ""; do
		check $tool 2 "$tool: bad pass count \"$count\"" Data/scenes/projector.scene "$count" output
	done
	check $tool 1 "nosuch.scene: cannot read the scene file" nosuch.scene 5 output
done
check projected_board 1 "Data/scenes/demo.scene: the scene hangs no projector" Data/scenes/demo.scene 5 output
echo "ok"
