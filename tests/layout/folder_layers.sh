#!/usr/bin/env bash
# Dependencies between the source folders point one way: a file includes
# only headers of its own folder and of the folders listed for it below, as
# docs/architecture.md draws them. Also no folder holds more than a fifth of
# the program's code unless docs/architecture.md gives the reason.
set -u
root=$1
cd "$root" || exit 1
fail=0

declare -A allowed=(
	[core]=""
	[colour]=""
	[platform]="core"
	[markers]="core platform"
	[physics]="core"
	[tracking]="core platform markers"
	[print]="core platform markers"
	[analysis]="core colour platform markers physics tracking"
	[render]="core colour platform markers physics tracking analysis"
	[scenes]="core platform markers"
	[calibration]="core colour platform markers tracking"
	[sound]="core platform"
	[app]="core colour platform markers physics tracking print analysis render scenes calibration sound"
)

for folder in "${!allowed[@]}"; do
	for file in "$folder"/*.h "$folder"/*.cpp; do
		[ -e "$file" ] || continue
		while IFS= read -r used; do
			[ "$used" = "$folder" ] && continue
			if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
				echo "FAIL: $file includes a header of $used/, which $folder/ may not use"
				fail=1
			fi
		done < <(sed -n 's/^#include "\([a-z]*\)\/.*/\1/p' "$file" | sort -u)
	done
done

lines_in() { cat "$1"/*.h "$1"/*.cpp 2>/dev/null | wc -l; }
total=0
for folder in "${!allowed[@]}"; do
	total=$((total + $(lines_in "$folder")))
done
for folder in "${!allowed[@]}"; do
	lines=$(lines_in "$folder")
	if [ $((lines * 5)) -gt "$total" ] && ! grep -q "^- \`$folder/\`.*more than a fifth" docs/architecture.md; then
		echo "FAIL: $folder/ holds $lines of $total lines, more than a fifth, and docs/architecture.md does not say why"
		fail=1
	fi
done

[ "$fail" -eq 0 ] && echo "ok"
exit "$fail"
