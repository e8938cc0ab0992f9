#!/usr/bin/python3
"""Makes the Debian package of a build with cpack and checks what a user's apt would see.

check_package.py --build BUILDDIR --source SRCDIR --version X.Y.Z --out DIR

The package must be named and versioned as the project, owned by root throughout, hold
the installed layout under /usr, name the libraries it needs as dpkg-shlibdeps found them
(the build lists none by hand), and carry no path of the build or source tree in any file.
Exits 77 when dpkg-shlibdeps or file (which cpack needs for that) is missing.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile

EXPECTED_FILES = (
    "./usr/bin/korvane",
    "./usr/bin/korvane-process",
    "./usr/lib/korvane/korvane",
    "./usr/lib/korvane/korvane-process",
    "./usr/lib/korvane/TQ4100.dll",
    "./usr/lib/korvane/korvane-sane.so",
    "./usr/lib/korvane/translator/LanguageMap.txt",
    "./usr/share/applications/org.korvane.Korvane.desktop",
    "./usr/share/metainfo/org.korvane.Korvane.metainfo.xml",
    "./usr/share/icons/hicolor/256x256/apps/org.korvane.Korvane.png",
)
# What the programs link, as package names dpkg-shlibdeps must have found.
EXPECTED_DEPENDS = ("libqt5widgets5", "libqt5core5a", "libtiff6", "libjpeg62-turbo", "libpugixml1v5", "libsane1", "libc6")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--source", "--version", "--out"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    for tool, package in (("dpkg-shlibdeps", "dpkg-dev"), ("file", "file"), ("dpkg-deb", "dpkg")):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (Debian package %s)" % (tool, package))
            return 77

    shutil.rmtree(args.out, ignore_errors=True)
    made = subprocess.run(["cpack", "-G", "DEB", "-B", args.out, "--config",
                           os.path.join(args.build, "CPackConfig.cmake")],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    packages = glob.glob(os.path.join(args.out, "korvane_%s_*.deb" % args.version))
    if made.returncode != 0 or len(packages) != 1:
        print(made.stdout)
        print("FAIL: cpack made %s" % packages, file=sys.stderr)
        return 1
    deb = packages[0]

    failures = []
    fields = {}
    for line in subprocess.run(["dpkg-deb", "-f", deb], stdout=subprocess.PIPE, text=True,
                               check=True).stdout.splitlines():
        if ":" in line and not line.startswith(" "):
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    for key, expected in (("Package", "korvane"), ("Version", args.version), ("Section", "graphics")):
        if fields.get(key) != expected:
            failures.append("%s is %r, not %r" % (key, fields.get(key), expected))
    if not fields.get("Maintainer") or not fields.get("Description"):
        failures.append("no Maintainer or Description")
    depends = [entry.split()[0] for entry in fields.get("Depends", "").replace("|", ",").split(",") if entry.strip()]
    for package in EXPECTED_DEPENDS:
        if package not in depends:
            failures.append("Depends lacks %s: %s" % (package, fields.get("Depends")))

    listing = subprocess.run(["dpkg-deb", "-c", deb], stdout=subprocess.PIPE, text=True, check=True).stdout
    paths = set()
    for line in listing.splitlines():
        parts = line.split()
        owner, path = parts[1], parts[5]
        paths.add(path)
        if owner != "root/root":
            failures.append("%s is owned by %s" % (path, owner))
    for path in EXPECTED_FILES:
        if path not in paths:
            failures.append("%s is not in the package" % path)

    forbidden = {os.path.realpath(folder).encode() for folder in (args.build, args.source)}
    with tempfile.TemporaryDirectory() as unpacked:
        subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
        for root, _, files in os.walk(unpacked):
            for name in files:
                path = os.path.join(root, name)
                if os.path.islink(path):
                    continue
                with open(path, "rb") as f:
                    data = f.read()
                for folder in forbidden:
                    if folder in data:
                        failures.append("%s holds the build path %s" % (os.path.relpath(path, unpacked),
                                                                         folder.decode()))

    for message in failures:
        print("FAIL: %s" % message, file=sys.stderr)
    if failures:
        return 1
    print("%s: %d bytes, %d entries, Depends: %s" % (os.path.basename(deb), os.path.getsize(deb), len(paths),
                                                    fields["Depends"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
