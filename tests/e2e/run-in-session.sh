#!/bin/sh
# Runs the command inside a session bus of its own whose accessibility bus keeps its socket in a
# temporary folder, so that no two test runs on one machine share (or remove) each other's bus.
base=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e-session.XXXXXX") || exit 1
trap 'rm -rf "$base"' EXIT INT TERM
mkdir -m 700 "$base/runtime"
HOME="$base" XDG_RUNTIME_DIR="$base/runtime" dbus-run-session -- "$@"
