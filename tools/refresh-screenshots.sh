#!/usr/bin/env bash
# Refreshes the README's pictures from the screenshot tool's pictures of the real program,
# which every build draws for the manual (build/<preset>/screenshots/manual). Pictures over
# 200 kB are reduced to 256 colours when ImageMagick is installed.
#
#   tools/refresh-screenshots.sh [build folder] [--e2e]
#
# --e2e also renews main-window.png from the end-to-end test's screenshot (under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/dev
e2e=0
for argument in "$@"; do
    case $argument in
    --e2e) e2e=1 ;;
    *) build=$argument ;;
    esac
done
cmake --build "$build" --target korvane_manual
shots="$build/screenshots/manual"
mkdir -p docs/screenshots

limit=200000
copy() { # <picture of the tool> <name in docs/screenshots>
    local target="docs/screenshots/$2"
    cp "$shots/$1" "$target"
    if [ "$(stat -c %s "$target")" -gt "$limit" ] && command -v convert >/dev/null; then
        convert "$target" -strip -colors 256 -define png:compression-level=9 "$target"
    fi
    echo "$target refreshed ($(stat -c %s "$target") bytes)"
}
copy main-scanned.png main-negative.png
copy preview-frame.png crop-frame.png
copy editor-slides.png editor-slides.png
copy editor-film.png editor-film.png
copy preferences.png preferences.png
copy about.png about.png
copy main-levels.png main-levels.png
copy scanner-choice.png scanner-choice.png
copy de-main-scanned.png main-negative-de.png
copy de-editor-film.png editor-film-de.png

if [ "$e2e" = 1 ]; then
    ctest --test-dir "$build" -R '^e2e_' --output-on-failure
    cp "$build/screenshots/main-window.png" docs/screenshots/main-window.png
    echo "docs/screenshots/main-window.png refreshed"
fi
