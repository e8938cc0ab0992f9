#!/bin/sh
# Runs one test program with a fresh, temporary HOME so that no test touches a
# user's folders, and removes it afterwards.
home=$(mktemp -d "${TMPDIR:-/tmp}/korvane-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT INT TERM
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/runtime" \
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$@"
