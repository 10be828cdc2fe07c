#!/usr/bin/env bash
# Renders the pictures of the windows that the README shows, offscreen: the library window,
# the picker's two faces in light and dark colours, the settings window and the editor page.
#
#   bash scripts/screenshots.sh [FOLDER]      (default docs/screenshots)
#
# The picker over a real window and the sway pictures are taken from the running program.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$(realpath -m -- "${1:-docs/screenshots}")
mkdir -p "$folder"

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target quillo_screenshots
QT_QPA_PLATFORM=offscreen QUILLO_SCREENSHOTS="$folder" build/dev/scripts/screenshots/quillo_screenshots
(cd tests/editor && node ../../scripts/screenshots/editor-page.js "$folder")
printf 'Written to %s\n' "$folder"
