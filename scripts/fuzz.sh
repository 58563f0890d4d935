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

# fuzz_one TARGET: runs one target; its one-line result goes to TARGET.result.
fuzz_one() {
	local target=$1
	local seeds="$root/tests/fuzz/$target"
	local corpus="$build_dir/corpus/$target"
	local log="$build_dir/$target.log"
	mkdir -p "$corpus" "$build_dir/crashes"
	# The parsers' messages about bad input go to the log, not the terminal.
	if "$build_dir/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
		-artifact_prefix="$build_dir/crashes/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
		echo "fuzz $target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no finding"
	else
		echo "fuzz $target: FAILED, see $log and $build_dir/crashes/"
		grep -m3 -E "ERROR|runtime error|SUMMARY" "$log"
	fi >"$build_dir/$target.result"
}

# Each target is one process: as many run at once as there are cores.
targets=()
for seeds in "$root"/tests/fuzz/*/; do
	targets+=("$(basename "$seeds")")
done
for target in "${targets[@]}"; do
	while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
		wait -n
	done
	fuzz_one "$target" &
done
wait

passed=0
failed=0
for target in "${targets[@]}"; do
	cat "$build_dir/$target.result"
	if grep -q "no finding" "$build_dir/$target.result"; then
		passed=$((passed + 1))
	else
		failed=$((failed + 1))
	fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
