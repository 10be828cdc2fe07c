#!/usr/bin/env bash
# Measures Quillo's speed and memory and writes a short Markdown report: the optimised
# program and its benchmarks built in build/perf, run on generated libraries of 1k, 10k and
# 100k snippets (the picker's on Xvfb), the real program's memory idle in the tray beside
# CopyQ's, its command line's whole processes beside fzf's, and its start-up to the tray.
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
# The yardsticks: fzf for the command line, CopyQ for the memory in the tray.
peers=()
for p in fzf copyq; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || peers+=("$p")
done
if ((${#peers[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installing: ${peers[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${peers[@]}"
fi

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
run core "$bench/quillo_bench" --benchmark_min_time=0.3 --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true \
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

program=build/perf/src/gui/quillo
generator=$bench/quillo-generate-library

step "Memory of the program idle in the tray, then CopyQ's, on one Xvfb"
xvfb bash -c '
    python3 scripts/perf_report.py memory "$1" "$2" "$3/memory.json" &&
    python3 scripts/perf_report.py copyq "$2" "$3/copyq.json"' \
    - "$program" "$generator" "$results"

step "The command line's whole processes beside fzf's, with the program running on Xvfb"
xvfb python3 scripts/perf_report.py commands "$program" "$generator" "$results/commands.json"

step "Start-up to the tray icon and the shortcut, on Xvfb"
xvfb python3 scripts/perf_report.py startup "$program" "$generator" "$results/startup.json"

step "Report"
python3 scripts/perf_report.py report "$results" "$output" \
    --seconds $((SECONDS - started)) --build-seconds "$build_seconds"
cat "$output"
printf '\nWritten to %s\n' "$output"
