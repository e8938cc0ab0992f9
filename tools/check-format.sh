#!/usr/bin/env bash
# Fails when a tracked C++ file does not follow .clang-format; run from anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror
echo "clang-format: every C++ file is formatted"
