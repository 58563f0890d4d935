#!/usr/bin/env bash
# Build everything and run every test. Installs what a fresh Debian machine lacks.
# The last line printed is ctest's summary.
set -u
source "$(dirname "$0")/setup.sh"
cd "$project_root" || exit 1

install_missing || exit 1
build build || exit 1

log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --test-dir build --output-on-failure -j "$(nproc)" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
echo
grep -E "tests passed, [0-9]+ tests? failed out of" "$log" | tail -n 1
exit "$status"
