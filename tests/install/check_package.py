#!/usr/bin/python3
"""Makes the Debian package of a build with cpack and checks what a user's apt would see.

check_package.py --build BUILDDIR --source SRCDIR --version X.Y.Z --out DIR --appdir APPDIR

The package must be named and versioned as the project, owned by root throughout, hold
the installed layout under /usr, name the libraries it needs as dpkg-shlibdeps found them
(the build lists none by hand), carry no path of the build or source tree in any file,
hold its copyright file, changelog and a manual page for every docs/man/*.1, have no
maintainer script, and pass
lintian without an error or a warning (its informational tags are allowed).
Exits 77 when dpkg-shlibdeps, file (which cpack needs for that) or lintian is missing.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile

# Those of the application folder are named relative to it.
APP_FILES = ("korvane", "korvane-process", "TQ4100.dll", "translator/LanguageMap.txt")
EXPECTED_FILES = (
    "./usr/bin/korvane",
    "./usr/bin/korvane-process",
    "./usr/share/applications/org.korvane.Korvane.desktop",
    "./usr/share/metainfo/org.korvane.Korvane.metainfo.xml",
    "./usr/share/icons/hicolor/256x256/apps/org.korvane.Korvane.png",
    "./usr/share/doc/korvane/copyright",
    "./usr/share/doc/korvane/changelog.gz",
    "./usr/share/man/man1/korvane.1.gz",
)
# What the programs link, as package names dpkg-shlibdeps must have found.
EXPECTED_DEPENDS = ("libqt5widgets5", "libqt5core5a", "libtiff6", "libjpeg62-turbo", "libpugixml1v5", "libc6")


def lintian_findings(deb):
    """Lintian's errors and warnings on the package, one line each."""
    checked = subprocess.run(["lintian", "--no-cfg", "--ignore-lintian-env", "--no-override", "--fail-on", "none",
                              "--tag-display-limit", "0", deb],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    findings = ["lintian %s" % line for line in checked.stdout.splitlines() if line[:3] in ("E: ", "W: ")]
    if checked.returncode != 0:
        findings.append("lintian failed (%d): %s" % (checked.returncode, checked.stderr.strip()))
    return findings


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--source", "--version", "--out", "--appdir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    for tool, package in (("dpkg-shlibdeps", "dpkg-dev"), ("file", "file"), ("dpkg-deb", "dpkg"),
                          ("lintian", "lintian")):
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
    pages = ["./usr/share/man/man1/%s.gz" % name for name in os.listdir(os.path.join(args.source, "docs", "man"))
             if name.endswith(".1")]
    app_files = ["./usr/%s/%s" % (args.appdir, name) for name in APP_FILES]
    for path in list(EXPECTED_FILES) + app_files + pages:
        if path not in paths:
            failures.append("%s is not in the package" % path)

    # The program installs nothing that dpkg must be told about (the device library is
    # private to it, so not even ldconfig).
    with tempfile.TemporaryDirectory() as control:
        subprocess.run(["dpkg-deb", "-e", deb, control], check=True)
        for script in ("preinst", "postinst", "prerm", "postrm", "triggers"):
            if os.path.exists(os.path.join(control, script)):
                failures.append("the package has a %s" % script)

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

    failures += lintian_findings(deb)

    for message in failures:
        print("FAIL: %s" % message, file=sys.stderr)
    if failures:
        return 1
    print("%s: %d bytes, %d entries, Depends: %s" % (os.path.basename(deb), os.path.getsize(deb), len(paths),
                                                    fields["Depends"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
