#!/bin/sh
# The first scan again, with SANE's test device given on the command line and a SANE
# configuration of its own that offers only the test backend. Skipped (exit 77) when
# the SANE device library is not built beside the program.
app=$1
shift
if [ ! -e "$(dirname "$app")/korvane-sane.so" ]; then
  echo "SKIP: the SANE device library is not beside $app"
  exit 77
fi
here=$(dirname "$0")
config=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e-sane.XXXXXX") || exit 1
trap 'rm -rf "$config"' EXIT INT TERM
echo test > "$config/dll.conf"
# The backend's default picture is solid black; its colour pattern shows the preview works.
echo 'test-picture "Color pattern"' > "$config/test.conf"
"$here/run-in-session.sh" /usr/bin/python3 "$here/first_scan.py" --app "$app" --scanner test:0 \
  --sane-config "$config" "$@"
