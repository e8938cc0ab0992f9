#!/usr/bin/python3
"""Checks an installed tree against what the build staged.

check_layout.py --prefix P --staged STAGED --appdir APPDIR --build BUILDDIR --source SRCDIR --version X.Y.Z

The application folder P/APPDIR must hold everything the build staged (the programs
may differ from their staged copies: install drops the build's run paths), the two
links in bin/ must lead into it, the programs must carry no run path into the build or
source tree, and the desktop entry, metainfo and theme icons must agree with each other.
"""

import argparse
import configparser
import os
import stat
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

APP_ID = "org.korvane.Korvane"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
PROGRAMS = ("korvane", "korvane-process")
ELF_FILES = ("korvane", "korvane-process", "TQ4100.dll")

failures = []


def fail(message):
    failures.append(message)


def check_links(prefix, appdir):
    for program in PROGRAMS:
        link = os.path.join(prefix, "bin", program)
        if not os.path.islink(link):
            fail("bin/%s is not a link" % program)
            continue
        target = os.readlink(link)
        if os.path.isabs(target):
            fail("bin/%s points to the absolute %s; a package's staging folder would leak into it" % (program, target))
        if os.path.realpath(link) != os.path.realpath(os.path.join(appdir, program)):
            fail("bin/%s leads to %s, not into the application folder" % (program, os.path.realpath(link)))
        if not os.access(link, os.X_OK):
            fail("bin/%s is not executable" % program)


def check_staged_copy(staged, appdir):
    count = 0
    for root, _, files in os.walk(staged):
        for name in files:
            source = os.path.join(root, name)
            relative = os.path.relpath(source, staged)
            installed = os.path.join(appdir, relative)
            count += 1
            if not os.path.isfile(installed):
                fail("staged %s is not installed" % relative)
                continue
            staged_mode = os.stat(source).st_mode
            installed_mode = os.stat(installed).st_mode
            # Debian installs shared libraries without the executable bit; dlopen needs none.
            if relative != "TQ4100.dll" and bool(staged_mode & stat.S_IXUSR) != bool(installed_mode & stat.S_IXUSR):
                fail("%s: executable bit differs from the staged file" % relative)
            if not installed_mode & stat.S_IROTH:
                fail("%s is not readable by every user" % relative)
            if relative not in ELF_FILES:
                with open(source, "rb") as a, open(installed, "rb") as b:
                    if a.read() != b.read():
                        fail("%s differs from the staged file" % relative)
    if count == 0:
        fail("nothing staged in %s" % staged)
    for required in ELF_FILES + ("translator/LanguageMap.txt",):
        if not os.path.isfile(os.path.join(appdir, required)):
            fail("%s missing from the application folder" % required)
    if not [n for n in os.listdir(os.path.join(appdir, "translator")) if n.endswith(".qm")]:
        fail("no compiled translation in translator/")


def check_run_paths(appdir, forbidden):
    for name in ELF_FILES:
        path = os.path.join(appdir, name)
        if not os.path.isfile(path):
            continue
        dynamic = subprocess.run(["readelf", "-d", path], stdout=subprocess.PIPE, text=True, check=True).stdout
        for line in dynamic.splitlines():
            if "(RPATH)" in line or "(RUNPATH)" in line:
                for folder in forbidden:
                    if folder in line:
                        fail("%s keeps a run path into %s: %s" % (name, folder, line.strip()))


def png_header(path):
    with open(path, "rb") as f:
        data = f.read(33)
    if len(data) < 33 or data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    return width, height, depth, colour


def check_icons(prefix):
    for size in ICON_SIZES:
        relative = "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID)
        path = os.path.join(prefix, relative)
        if not os.path.isfile(path):
            fail("%s missing" % relative)
            continue
        header = png_header(path)
        if header is None:
            fail("%s is not a PNG file" % relative)
        elif header[:2] != (size, size) or header[3] != 6:
            fail("%s is %dx%d of PNG colour type %d, expected %dx%d with alpha" % (relative, header[0], header[1],
                                                                                   header[3], size, size))


def check_desktop_entry(prefix):
    path = os.path.join(prefix, "share/applications/%s.desktop" % APP_ID)
    if not os.path.isfile(path):
        fail("desktop entry missing")
        return
    entry = configparser.ConfigParser(interpolation=None, strict=True)
    entry.optionxform = str
    entry.read(path, encoding="utf-8")
    section = entry["Desktop Entry"]
    if section.get("Icon") != APP_ID:
        fail("the desktop entry's Icon is %r, not the installed icon's name" % section.get("Icon"))
    program = (section.get("Exec") or "").split()[0:1]
    if program != ["korvane"] or not os.path.exists(os.path.join(prefix, "bin", program[0])):
        fail("the desktop entry's Exec %r is not the installed bin/korvane" % section.get("Exec"))
    for key in ("Comment", "GenericName"):
        if not section.get(key + "[de]"):
            fail("the desktop entry has no German %s" % key)


def check_metainfo(prefix, version):
    path = os.path.join(prefix, "share/metainfo/%s.metainfo.xml" % APP_ID)
    if not os.path.isfile(path):
        fail("metainfo missing")
        return
    component = ElementTree.parse(path).getroot()
    if component.findtext("id") != APP_ID:
        fail("the metainfo's id is %r" % component.findtext("id"))
    if component.findtext("launchable") != APP_ID + ".desktop":
        fail("the metainfo launches %r, not the installed desktop entry" % component.findtext("launchable"))
    releases = [release.get("version") for release in component.iter("release")]
    if version not in releases:
        fail("the metainfo lists releases %s, not the project's %s" % (releases, version))
    if "@" in open(path, encoding="utf-8").read():
        fail("the metainfo holds an unreplaced @VARIABLE@")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--prefix", "--staged", "--appdir", "--build", "--source", "--version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    appdir = os.path.join(args.prefix, args.appdir)
    check_links(args.prefix, appdir)
    check_staged_copy(args.staged, appdir)
    check_run_paths(appdir, [os.path.realpath(args.build), os.path.realpath(args.source)])
    check_icons(args.prefix)
    check_desktop_entry(args.prefix)
    check_metainfo(args.prefix, args.version)
    for message in failures:
        print("FAIL: %s" % message, file=sys.stderr)
    if not failures:
        print("the installed tree under %s is complete" % args.prefix)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
