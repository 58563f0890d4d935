# Sourced by the scripts in tools/: they answer --help and --version and
# refuse an unknown option as the compiled tools do (tools/ToolUsage.h).
#
#     answer_common_options USAGE "$@"
#
# --help prints USAGE, --version the version of CMakeLists.txt's project(),
# both ending the script with status 0; an argument that starts with "-" ends
# it with one line and status 2. Otherwise it returns and the script goes on.
answer_common_options() {
	local usage=$1
	shift
	local name root version argument
	name=$(basename "$0")
	root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
	for argument in "$@"; do
		case "$argument" in
		--help)
			printf '%s\n' "$usage"
			exit 0
			;;
		--version)
			version=$(sed -n 's/^project(drawtable VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
			echo "$name (drawtable) $version"
			exit 0
			;;
		esac
	done
	for argument in "$@"; do
		if [[ "$argument" == -* ]]; then
			echo "$name: unknown option \"$argument\" ($name --help lists them)" >&2
			exit 2
		fi
	done
}
