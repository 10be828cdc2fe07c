#!/usr/bin/env bash
# Measures Quillo's speed and memory and writes a short Markdown report: the optimised
# program and its benchmarks built in build/perf, run on generated libraries of 1k, 10k and
# 100k snippets (the picker's on Xvfb), and the real program's memory idle in the tray.
#
#   bash scripts/perf-report.sh [OUTPUT.md]      (default docs/performance.md)
set -euo pipefail

output=$(realpath -m -- "${1:-$(dirname "$0")/../docs/performance.md}")
cd "$(dirname "$0")/.."

step() { printf '\n==== %s\n' "$*"; }
xvfb() { xvfb-run -a -s "-screen 0 1280x800x24" "$@"; }

started=$SECONDS

step "Set-up"
scripts/setup.sh

step "Build (optimised, with the benchmarks)"
cmake --preset perf >/dev/null
cmake --build --preset perf --parallel "$(nproc)"
build_seconds=$((SECONDS - started))

bench=build/perf/bench
results=build/perf/perf-results
rm -rf "$results"
mkdir -p "$results"

# Each benchmark program writes its figures as JSON; the console shows its usual table.
run() {
    local name=$1
    shift
    "$@" --benchmark_out="$results/$name.json" --benchmark_out_format=json
}

step "Library, search, import and rendering"
run core "$bench/quillo_bench" --benchmark_min_time=0.3 \
    --benchmark_filter='^BM_(Load|Save|TakeInOutsideChange|MergeOutsideChangeAndSave|SearchCachedShortQuery|SearchFirstOnFreshLibrary|ImportATextBackup|RenderRichSnippetsAs(Html|Rtf)|PasteOneRichSnippet)(/|$)'

step "The picker on Xvfb"
run picker xvfb "$bench/quillo_picker_bench"

step "The library window (offscreen)"
run library-window "$bench/quillo_library_bench" \
    --benchmark_filter='^BM_(OpenLibraryWindow|SearchKeystrokeToListRepainted)/'

step "The snippet editor (offscreen)"
run editor "$bench/quillo_editor_bench" --benchmark_filter='^BM_ShowNext'

step "The picker under a headless sway, and quillo --picker handing over"
run sway "$bench/quillo_sway_bench" --benchmark_min_time=2
run handover "$bench/quillo_handover_bench" --benchmark_min_time=1

step "Memory of the program idle in the tray, on Xvfb"
xvfb python3 scripts/perf_report.py memory build/perf/src/gui/quillo \
    "$bench/quillo-generate-library" "$results/memory.json"

step "Report"
python3 scripts/perf_report.py report "$results" "$output" \
    --seconds $((SECONDS - started)) --build-seconds "$build_seconds"
cat "$output"
printf '\nWritten to %s\n' "$output"
