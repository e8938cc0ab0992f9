#!/bin/sh
# validate.sh desktop|metainfo FILE: runs the freedesktop validator of that kind of file.
# Any warning fails as an error would; a missing validator skips (exit 77).
kind=$1 file=$2
case $kind in
  desktop) tool=desktop-file-validate package=desktop-file-utils ;;
  metainfo) tool=appstreamcli package=appstream ;;
  *) echo "usage: validate.sh desktop|metainfo FILE" >&2; exit 2 ;;
esac
if ! command -v "$tool" >/dev/null; then
  echo "SKIP: $tool is not installed (Debian package $package)"
  exit 77
fi
[ -f "$file" ] || { echo "FAIL: $file does not exist" >&2; exit 1; }
if [ "$kind" = desktop ]; then
  # It exits 0 after warnings and hints; only silence means a clean file.
  report=$(desktop-file-validate "$file" 2>&1) || { echo "$report"; exit 1; }
  [ -z "$report" ] || { echo "$report"; exit 1; }
else
  # It fails on warnings and errors, not on its informational notes, which are shown.
  appstreamcli validate --no-net --explain "$file" || exit 1
fi
echo "$file is valid"
