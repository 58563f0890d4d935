#!/usr/bin/env bash
# Build the fuzz targets with clang into build-fuzz/ and run each over its seed
# corpus in tests/fuzz/<target>/ for SECONDS (default 20). New inputs go to
# build-fuzz/corpus/<target>/, a crashing input to build-fuzz/crashes/; a
# finding is fixed and its input copied into the seed corpus.
# Prints one line per target and ends with "N passed, N failed".
set -u
seconds=${1:-20}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$root/build-fuzz"

CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build_dir" >/dev/null || exit 1
cmake --build "$build_dir" -j "$(nproc)" -- --no-print-directory >/dev/null || exit 1

passed=0
failed=0
for seeds in "$root"/tests/fuzz/*/; do
	target=$(basename "$seeds")
	corpus="$build_dir/corpus/$target"
	mkdir -p "$corpus" "$build_dir/crashes"
	log="$build_dir/$target.log"
	# The parsers' messages about bad input go to the log, not the terminal.
	if "$build_dir/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
		-artifact_prefix="$build_dir/crashes/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
		passed=$((passed + 1))
		echo "fuzz $target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no finding"
	else
		failed=$((failed + 1))
		echo "fuzz $target: FAILED, see $log and $build_dir/crashes/"
		grep -m3 -E "ERROR|runtime error|SUMMARY" "$log"
	fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
