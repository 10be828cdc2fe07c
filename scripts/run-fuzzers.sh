#!/usr/bin/env bash
# Runs every fuzz target for a few seconds over its seed corpus: usage run-fuzzers.sh SECONDS.
# New inputs go to a scratch folder, so the corpus in the repository stays as committed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    mkdir -p "$scratch/$name"
    echo "-- $name ($seconds s)"
    if ! "build/fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$scratch/" \
        "$scratch/$name" "$corpus" >"$scratch/$name.log" 2>&1; then
        cat "$scratch/$name.log"
        for artifact in "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* "$scratch"/oom-*; do
            [ -e "$artifact" ] && { echo "input: $artifact"; base64 "$artifact"; }
        done
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "$scratch/$name.log" || true
done
