#!/usr/bin/env bash
# The Debian package: CPack builds it from the build tree, it is unpacked
# into a private root, and the installed program plays the demo from an
# empty folder, finding its shipped data by itself; its tools do too. The
# package says what it is and who keeps it; every installed program answers
# --help and --version and has a manual page that man reads cleanly; the
# desktop entry is valid and its icon is there.
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.txt" 2>&1 \
	|| fail "cpack failed: $(tail -n 5 "$work/cpack.txt")"
deb=$(ls "$work"/package/drawtable_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package in: $(ls "$work/package")"
dpkg-deb --field "$deb" Depends | grep -q "libopencv" || fail "package does not depend on OpenCV"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Maintainer)" = "The drawtable team <team@drawtable.invalid>" ] \
	|| fail "maintainer is \"$(field Maintainer)\""
[ "$(field Section)" = games ] || fail "section is \"$(field Section)\""
[ -z "$(field Homepage)" ] || fail "the package names a homepage: $(field Homepage)"
description=$(field Description)
summary=$(head -n 1 <<<"$description")
[[ "$summary" == "drawing table game: "* ]] || fail "the description's summary is \"$summary\""
[ "${#summary}" -le 80 ] || fail "the summary is ${#summary} characters, more than 80"
# The long description: lines of the control file's form, a space first,
# short enough for a terminal, naming every installed tool.
[ "$(wc -l <<<"$description")" -ge 5 ] || fail "no long description: $description"
! tail -n +2 <<<"$description" | grep -v '^ ' || fail "long description lines without a leading space"
! grep '.\{81\}' <<<"$description" || fail "description lines longer than 80 characters"
for tool in drawtable-print-board drawtable-calibrate drawtable-make-templates drawtable-video-frames; do
	grep -q "$tool" <<<"$description" || fail "the description does not name $tool"
done
dpkg-deb --field "$deb" Depends | grep -q "libsdl2" || fail "package does not depend on SDL2, which plays the sound"
dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack $deb"

usr=$work/root/usr
tools=(drawtable-calibrate drawtable-print-board drawtable-make-templates drawtable-video-frames)
for file in bin/drawtable bin/drawtable-video-frames share/doc/drawtable/copyright \
	share/applications/drawtable.desktop share/icons/hicolor/scalable/apps/drawtable.svg \
	bin/drawtable-calibrate bin/drawtable-print-board bin/drawtable-make-templates \
	share/drawtable/Data/camera_para.dat share/drawtable/Data/markers/marker.dat \
	share/drawtable/Data/scenes/demo.scene share/drawtable/Data/WDM_camera_flipV.xml \
	share/drawtable/circleExample.txt share/drawtable/circleExampleYellow.txt; do
	[ -e "$usr/$file" ] || fail "the package lacks /usr/$file"
done

mkdir "$work/empty" && cd "$work/empty" || exit 1
"$usr/bin/drawtable" --headless --source demo --passes 50 --trace run.jsonl >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "installed drawtable gave status $status: $(cat err.txt)"
[ "$(wc -l <run.jsonl)" -eq 50 ] || fail "trace has $(wc -l <run.jsonl) lines, expected 50"
grep -q '"type": "scan", "ok": true' run.jsonl || fail "the demo board was never scanned"
# Only the note that frames are not recorded without a video folder, why
# the scans the demo's hand holds back build nothing, and on a machine
# without a sound card that the game is silent.
! grep -v -e 'no folder "video"' -e '^scan held back: a hand over' -e '^no sound: ' err.txt \
	|| fail "unexpected messages: $(cat err.txt)"

"$usr/bin/drawtable-print-board" >/dev/null 2>err.txt || fail "installed print-board failed: $(cat err.txt)"
for sheet in board.png portal.png board.pdf portal.pdf; do
	[ -s "$sheet" ] || fail "print-board wrote no $sheet"
done

# The copyright file in Debian's machine-readable form.
copyright=$usr/share/doc/drawtable/copyright
head -n 1 "$copyright" | grep -q '^Format: .*copyright-format/1.0/' || fail "copyright has no Format line"
for key in Upstream-Name Files Copyright License; do
	grep -q "^$key: " "$copyright" || fail "copyright has no $key field"
done

version=$(dpkg-deb --field "$deb" Version)
[ "$("$usr/bin/drawtable" --version)" = "drawtable $version" ] || fail "drawtable --version is not $version"
export MANWIDTH=80
for program in drawtable "${tools[@]}"; do
	"$usr/bin/$program" --help >help.txt 2>err.txt || fail "installed $program --help failed: $(cat err.txt)"
	[ "$("$usr/bin/$program" --version)" = "$program (drawtable) $version" ] || [ "$program" = drawtable ] \
		|| fail "installed $program --version said \"$("$usr/bin/$program" --version)\""
	section=1
	[ "$program" = drawtable ] && section=6
	page=$usr/share/man/man$section/$program.$section.gz
	[ -s "$page" ] || fail "no manual page $page"
	man --warnings -l "$page" >page.txt 2>err.txt || fail "man cannot read $page: $(cat err.txt)"
	[ ! -s err.txt ] || fail "man warns about $page: $(cat err.txt)"
	grep -q "^NAME" page.txt && grep -q "^SYNOPSIS" page.txt || fail "$page lacks NAME or SYNOPSIS"
	grep -q "drawtable $version" page.txt || fail "$page does not carry the version $version"
	# Every option the program's usage lists is in its page.
	for option in $(grep -o -- '--[a-z][a-z-]*' help.txt | sort -u); do
		grep -q -- "$option" page.txt || fail "$page does not describe $option, which --help lists"
	done
done

if command -v desktop-file-validate >/dev/null; then
	desktop-file-validate "$usr/share/applications/drawtable.desktop" >err.txt 2>&1 \
		|| fail "the desktop entry is not valid: $(cat err.txt)"
fi
grep -q '^Exec=drawtable$' "$usr/share/applications/drawtable.desktop" || fail "the desktop entry does not start drawtable"
echo "ok"
