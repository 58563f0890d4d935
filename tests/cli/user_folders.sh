#!/usr/bin/env bash
# The installed program and its tools with a user's own folders: the install
# tree, its shipped data read-only as a system-wide install's is, a scratch
# home, and every run from an empty folder. The user's templates are read
# before the shipped ones (an empty one is said, and the shipped one used);
# the template tool writes into the user's data folder; screenshots land in
# the pictures folder under time-stamped names, a second one beside the
# first; a recording goes into a new folder of the videos folder; and the
# projector's measurement is kept in the user's data folder and read at the
# next start.
set -u
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/usr" >"$work/install.txt" 2>&1 \
	|| fail "cmake --install failed: $(tail -n 5 "$work/install.txt")"
bin=$work/usr/bin
shipped=$work/usr/share/drawtable
chmod -R a-w "$shipped"
unset XDG_DATA_HOME XDG_CONFIG_HOME
export HOME=$work/home
mine=$HOME/.local/share/drawtable
mkdir -p "$HOME/.config" "$HOME/Videos" "$work/empty"
# The pictures folder under another name, as a desktop in another language
# names it; the videos folder is the usual one.
echo 'XDG_PICTURES_DIR="$HOME/Bilder"' >"$HOME/.config/user-dirs.dirs"
cd "$work/empty" || exit 1

# play PASSES [OPTIONS...]: the installed program, headless, on the demo.
play() {
	local passes=$1
	shift
	"$bin/drawtable" --headless --passes "$passes" --trace run.jsonl "$@" >out.txt 2>err.txt
}
balls() { grep -o '"type": "ball"' run.jsonl | wc -l; }
line='2\n0 0\n100 0\n'  # a template of a straight line, which no ring matches

play 60 --source demo || fail "the installed demo failed: $(cat err.txt)"
[ "$(balls)" -eq 2 ] || fail "the shipped templates gave $(balls) balls, not 2"
[ -d "$mine" ] || fail "the user's data folder $mine was not made"
! grep -v -e '^scan held back: a hand over' -e '^no sound: ' err.txt || fail "unexpected messages: $(cat err.txt)"

printf "$line" >"$mine/circleExample.txt"
play 60 --source demo || fail "the demo failed with the user's template: $(cat err.txt)"
[ "$(balls)" -eq 0 ] || fail "the user's template was not read before the shipped one: $(balls) balls"

: >"$mine/circleExample.txt"
play 60 --source demo || fail "the demo failed with an empty template: $(cat err.txt)"
[ "$(balls)" -eq 2 ] || fail "with the user's template empty the shipped one was not used: $(balls) balls"
said="$mine/circleExample.txt:1: no point count at the start; the shipped one is used, $shipped/circleExample.txt"
[ "$(grep -cxF "$said" err.txt)" -eq 1 ] || fail "the empty template was not said in one line: $(cat err.txt)"

# The template tool on a rectified board whose rings the program left alone,
# with templates of a line: it writes into the user's folder, keeping those.
printf "$line" | tee "$mine/circleExample.txt" >"$mine/circleExampleYellow.txt"
awk '/^map /{ maps++ } maps <= 1 && !/^at /' "$shipped/Data/scenes/demo.scene" >first.scene
play 16 --source scene:first.scene --snapshots shots || fail "the first drawing failed: $(cat err.txt)"
"$bin/drawtable-make-templates" shots/warped.png >out.txt 2>err.txt || fail "the template tool failed: $(cat err.txt)"
grep -qF "$mine/circleExample.txt and $mine/circleExampleYellow.txt written; the ones before are kept as" out.txt \
	|| fail "the templates were not written into $mine: $(cat out.txt)"
[ ! -e circleExample.txt ] || fail "the template tool wrote into the working folder"
play 60 --source demo || fail "the demo failed with the made templates: $(cat err.txt)"
[ "$(balls)" -eq 2 ] || fail "the templates made gave $(balls) balls, not 2"

# Three clicks in the windows that save screenshots, two of them in "normal"
# within a second.
cp first.scene clicks.scene
printf 'at 20 click normal 10 10\nat 21 click normal 10 10\nat 22 click warped 10 10\n' >>clicks.scene
play 24 --source scene:clicks.scene || fail "the clicked run failed: $(cat err.txt)"
shots=$(ls "$HOME/Bilder" 2>/dev/null)
[ "$(wc -l <<<"$shots")" -eq 3 ] || fail "expected three screenshots in ~/Bilder: $shots"
for shot in $shots; do
	[[ "$shot" =~ ^drawtable-(normal|warped)-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}(-2)?\.png$ ]] \
		|| fail "screenshot named $shot"
	grep -qxF "screenshot of \"${BASH_REMATCH[1]}\" saved as $HOME/Bilder/$shot" out.txt \
		|| fail "$shot not named on the console: $(cat out.txt)"
done
[ -z "$(ls -d ss_* 2>/dev/null)" ] || fail "screenshots written into the working folder"

for run in 1 2; do
	play 3 --source demo --record frames || fail "the recording failed: $(cat err.txt)"
	recorded[$run]=$(sed -n 's/^recording into folder "\([^"]*\)": .*/\1/p' out.txt)
	[[ "${recorded[$run]}" == "$HOME/Videos/drawtable-"* ]] || fail "recorded into \"${recorded[$run]}\""
	[ -s "${recorded[$run]}/raw0.png" ] && [ -s "${recorded[$run]}/game2.png" ] \
		|| fail "frames missing in ${recorded[$run]}: $(ls "${recorded[$run]}")"
done
[ "${recorded[1]}" != "${recorded[2]}" ] || fail "the second recording went into the first one's folder"
[ ! -e video ] || fail "a recording went into the working folder"

cp "$shipped/Data/scenes/projector.scene" .
play 120 --source scene:projector.scene --projector 1920,0,1280,800 || fail "projector run failed: $(cat err.txt)"
grep -q '"type": "projectorCalibration", "ok": true' run.jsonl || fail "the projector was not measured: $(cat err.txt)"
! grep -q 'holds for this run only' err.txt || fail "the measurement was not kept: $(cat err.txt)"
[ -s "$mine/projector.yml" ] || fail "the measurement is not in $mine"
play 5 --source scene:projector.scene --projector 1920,0,1280,800 || fail "second projector run failed: $(cat err.txt)"
grep -q "from $mine/projector.yml$" err.txt || fail "the measurement was not read again: $(cat err.txt)"
[ "$(ls -A)" = "$(printf '%s\n' clicks.scene err.txt first.scene out.txt projector.scene run.jsonl shots)" ] \
	|| fail "the working folder holds more: $(ls -A)"
echo "ok"
