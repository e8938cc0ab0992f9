#!/bin/sh
# Draws the profile editor's pages and the preferences dialog into this folder with the
# dev build (offscreen, Fusion style, a scratch home folder).
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cmake --build "$root/build/dev" --target korvane_editorshots
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    "$root/build/dev/tools/editorshots/korvane_editorshots" "$here"
