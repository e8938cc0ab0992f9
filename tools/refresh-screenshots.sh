#!/usr/bin/env bash
# Refreshes the README's pictures from the end-to-end test's screenshots of the real program
# (run the README test command, or at least a dev build, first).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
ctest --test-dir "$build" -R '^e2e_' --output-on-failure
mkdir -p docs/screenshots
cp "$build/screenshots/main-window.png" docs/screenshots/main-window.png
echo "docs/screenshots/main-window.png refreshed"
