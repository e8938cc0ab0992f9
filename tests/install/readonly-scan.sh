#!/bin/sh
# readonly-scan.sh PREFIX E2E_FOLDER PROFILE APPDIR
# Makes the installed application folder PREFIX/APPDIR read-only, then runs the
# installed program (bin/korvane) through the end-to-end first scan against the simulator
# and korvane-process from the PATH. Everything the programs write must go to the user's
# folders. As root, chmod proves nothing, so the folder is bind-mounted read-only onto
# itself in a mount namespace of this test's own; otherwise chmod -R a-w does it. With
# strace present, any write the programs even try inside the folder fails the test too
# (a write refused with EROFS may be one the program silently drops).
prefix=$1 e2e=$2 profile=$3
appdir=$prefix/$4

if [ "${KORVANE_READONLY_INSIDE:-}" != 1 ]; then
  [ -x "$appdir/korvane" ] || { echo "FAIL: nothing installed in $appdir" >&2; exit 1; }
  export KORVANE_READONLY_INSIDE=1
  if [ "$(id -u)" = 0 ]; then
    if ! unshare --mount --propagation private true 2>/dev/null; then
      echo "SKIP: no mount namespace here (unshare needs CAP_SYS_ADMIN), and chmod does not stop root"
      exit 77
    fi
    echo "read-only by a bind mount in a private mount namespace"
    exec unshare --mount --propagation private sh -c \
      'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1" && shift && exec "$@"' sh "$appdir" "$0" "$@"
  fi
  echo "read-only by chmod -R a-w (not root)"
  chmod -R a-w "$appdir"
  "$0" "$@"
  status=$?
  chmod -R u+w "$appdir"
  exit $status
fi

# Inside: the folder must really refuse a new file, whoever we are.
if touch "$appdir/.write-probe" 2>/dev/null; then
  rm -f "$appdir/.write-probe"
  echo "FAIL: $appdir is still writable" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-readonly.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
traced=
if command -v strace >/dev/null; then
  traced="strace -f --seccomp-bpf -qq -e trace=%file -o $work/trace"
  # The end-to-end driver starts what --app names and finds it on the accessibility bus
  # by that file name, so the traced start keeps the name korvane.
  mkdir "$work/traced"
  printf '#!/bin/sh\nexec %s.korvane %s "$@"\n' "$traced" "$prefix/bin/korvane" > "$work/traced/korvane"
  chmod +x "$work/traced/korvane"
  app=$work/traced/korvane
else
  echo "strace is not installed: only the read-only folder is checked, not attempted writes"
  app=$prefix/bin/korvane
fi

"$e2e/run-in-session.sh" /usr/bin/python3 "$e2e/first_scan.py" --app "$app" || exit 1

# korvane-process from the PATH, with relative names in a folder of the user's: it moves
# into its own folder for the parameter files, so its output must not follow it there.
cd "$work" || exit 1
python3 - <<'PY' || exit 1
import struct
width, height = 96, 64
pixels = bytearray()
for y in range(height):
    for x in range(width):
        pixels += struct.pack("<3H", 3000 + 500 * x, 2500 + 800 * y, 21000 - 150 * x)
entries = [(256, 3, 1, width), (257, 3, 1, height), (258, 3, 3, 8), (259, 3, 1, 1), (262, 3, 1, 2),
           (273, 4, 1, 16), (277, 3, 1, 3), (278, 3, 1, height), (279, 4, 1, len(pixels)), (284, 3, 1, 1)]
ifd = struct.pack("<H", len(entries))
for tag, kind, count, value in entries:
    ifd += struct.pack("<HHI", tag, kind, count) + struct.pack("<H2x" if kind == 3 and count == 1 else "<I", value)
ifd += struct.pack("<I", 0)
with open("input.tif", "wb") as f:
    f.write(b"II*\x00" + struct.pack("<I", 16 + len(pixels)) + struct.pack("<3H", 16, 16, 16) + b"\x00\x00")
    f.write(pixels + ifd)
PY
PATH="$prefix/bin:$PATH" ${traced:+$traced.process} korvane-process --profile "$profile" --model 82 input.tif output.tif \
  > process.out 2> process.err
status=$?
if [ $status -ne 0 ] || [ -s process.err ] || [ ! -s output.tif ]; then
  echo "FAIL: korvane-process from the PATH (exit $status):" >&2
  cat process.err >&2
  exit 1
fi
echo "korvane-process from the PATH wrote $(wc -c < output.tif) bytes"

if [ -n "$traced" ]; then
  # A check for permission (access, faccessat) is no write; everything else refused is.
  refused=$(cat "$work"/trace.* | grep -v -e ' access(' -e ' faccessat' \
    | grep -E 'EROFS|(O_WRONLY|O_RDWR|O_CREAT|mkdir|rename|unlink|rmdir|link|truncate|utime|chmod|chown).*EACCES')
  if [ -n "$refused" ]; then
    echo "FAIL: the programs tried to write where they may not:" >&2
    echo "$refused" >&2
    exit 1
  fi
  echo "strace saw no write into a read-only place ($(cat "$work"/trace.* | wc -l) file calls traced)"
fi
echo "the installed program scanned with its folder read-only"
