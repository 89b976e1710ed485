#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs each libFuzzer target of the `fuzz` preset for FUZZ_SECONDS (60 by default), starting from
# the checked-in seeds in fuzz/corpus/<target>. New inputs go to build/fuzz/corpus/<target>, so
# the checked-in corpus only changes by hand; an input that breaks a property is kept in
# build/fuzz/artifacts/<target>/ and fails the run.
# Usage: scripts/fuzz.sh [TARGET...]   (default: every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(base_name command)

for target in "${targets[@]}"; do
    program=$build/fuzz/fuzz_$target
    [[ -x $program ]] || { echo "fuzz: $program is missing; build the fuzz preset first" >&2; exit 2; }
    work=$build/corpus/$target
    artifacts=$build/artifacts/$target/
    log=$build/$target.log
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $target for ${seconds}s"
    if ! "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "fuzz: $target FAILED; the input is in $artifacts" >&2
        exit 1
    fi
    grep -E 'stat::(number_of_executed_units|peak_rss_mb)' "$log" | sed "s/^/fuzz: $target /"
done
