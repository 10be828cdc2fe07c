#!/usr/bin/env bash
# Builds Quillo (installing what it needs first) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --build
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/gui/quillo "$@"
