#!/usr/bin/env bash
# The whole test suite, exactly as CI runs it: set-up, formatting, the tests with warnings
# as errors, one quick pass of the benchmarks, a short run of every fuzz target over its
# corpus, and the tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n==== %s (%d s in)\n' "$*" "$SECONDS"; }

step "Set-up"
scripts/setup.sh

step "Formatting"
scripts/check-format.sh

step "Tests (warnings are errors)"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2

step "Benchmarks (a quick pass on the smallest library)"
build/dev/bench/quillo_bench --benchmark_filter='/1000/|PasteOneRichSnippet' --benchmark_min_time=0.01
xvfb-run -a -s "-screen 0 1280x800x24" build/dev/bench/quillo_picker_bench --benchmark_filter=/1000/
build/dev/bench/quillo_handover_bench --benchmark_min_time=0.01

step "Fuzz targets (about 30 s in all, over their corpora)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/run-fuzzers.sh "${QUILLO_FUZZ_SECONDS:-4}"

step "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2

step "Done"
