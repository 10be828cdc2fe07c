#!/usr/bin/env bash
# Runs the editor page's tests in headless Chromium. Needs Node.js 20 with npm and Debian's
# chromium (or CHROMIUM=/path/to/chromium); fetches the tests' npm packages on first use.
set -euo pipefail
cd "$(dirname "$0")"

chromium="${CHROMIUM:-/usr/bin/chromium}"
if [ ! -x "$chromium" ]; then
    echo "editor tests: no Chromium at $chromium (apt-get install chromium)" >&2
    exit 1
fi

if [ ! -d node_modules ]; then
    npm ci --no-audit --no-fund
fi

# One test file at a time: each starts its own browser, and the machine is small.
exec node --test --test-concurrency=1 ./*.test.js
