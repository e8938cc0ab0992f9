#!/usr/bin/python3
"""A new user's first scan, driven through the real program under Xvfb.

Starts korvane against the simulated scanner with an empty HOME, answers the
language question, prescans, draws a crop frame with the mouse, scans, and
checks that the file on disk has the framed size. Widgets are found through
the accessibility bus by their accessible names, as a screen reader finds
them; the mouse drag goes through xdotool. Prints the two response times and
leaves a screenshot of the main window.

With --scanner NAME (and --sane-config FOLDER, a private SANE configuration) the
program links that scanner from its command line instead, and the file's size is
checked against the resolution its TIFF tag says the scanner really used.

Run inside a session bus of its own: run-in-session.sh first_scan.py --app ... --shot ...
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

import pyatspi

SCANNER_WIDTH_INCHES = 1.437
SCANNER_HEIGHT_INCHES = 0.957
PRESCAN_WIDTH = 431
FINAL_DPI = 1800


class Failure(Exception):
    pass


def wait_for(what, probe, timeout, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(interval)
    if what.startswith("the program on"):
        desktop = pyatspi.Registry.getDesktop(0)
        seen = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount)]
        raise Failure("timed out after %.0f s waiting for %s; on the bus: %s" % (timeout, what, seen))
    raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))


def start_xvfb():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        display = pipe.readline().strip()
    if not display:
        raise Failure("Xvfb did not start")
    return xvfb, ":" + display


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    # Without a main loop nothing tells the cached desktop that a program registered.
    desktop.clear_cache()
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == name:
            return app
    return None


def exited(process):
    if process.poll() is not None:
        raise Failure("the program ended early with exit code %d" % process.returncode)
    return None


def descendants(node, depth=0):
    if node is None or depth > 25:
        return
    yield node
    for index in range(node.childCount):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        yield from descendants(child, depth + 1)


def find(app, role, name=None, pattern=None):
    for node in descendants(app):
        try:
            if role is not None and node.getRoleName() != role:
                continue
            if name is not None and node.name != name:
                continue
            if pattern is not None and not re.search(pattern, node.name or ""):
                continue
            return node
        except Exception:
            continue
    return None


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def press(node):
    action = node.queryAction()
    for index in range(action.nActions):
        if action.getName(index) in ("Press", "press", "click"):
            action.doAction(index)
            return
    action.doAction(0)


def grab(display, box, path=None):
    x, y, w, h = box
    target = path or "rgb:-"
    result = subprocess.run(
        ["import", "-display", display, "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), target],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True)
    return result.stdout


def differing_share(a, b):
    if len(a) != len(b) or not a:
        return 1.0
    step = 3 * 7  # every seventh pixel is plenty to see a picture appear
    changed = sum(1 for i in range(0, len(a) - 2, step) if abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) > 24)
    return changed / (len(a) / step)


def tiff_size_and_dpi(path):
    with open(path, "rb") as f:
        data = f.read(1 << 16)
    order = "<" if data[:2] == b"II" else ">"
    (offset,) = struct.unpack(order + "I", data[4:8])
    with open(path, "rb") as f:
        f.seek(offset)
        (count,) = struct.unpack(order + "H", f.read(2))
        entries = f.read(12 * count)
    size = {}
    dpi = 0.0
    for i in range(count):
        tag, kind, _, value = struct.unpack(order + "HHI4s", entries[12 * i:12 * i + 12])
        if tag in (256, 257):
            number = struct.unpack(order + ("H" if kind == 3 else "I"), value[:2 if kind == 3 else 4])[0]
            size[tag] = number
        elif tag == 282 and kind == 5:  # XResolution, a rational stored at an offset
            (where,) = struct.unpack(order + "I", value)
            with open(path, "rb") as f:
                f.seek(where)
                numerator, denominator = struct.unpack(order + "II", f.read(8))
            dpi = numerator / denominator if denominator else 0.0
    return size.get(256, 0), size.get(257, 0), dpi


def run(args):
    home = tempfile.mkdtemp(prefix="korvane-e2e-home.")
    xvfb, display = start_xvfb()
    app_process = None
    try:
        env = dict(os.environ)
        for key in ("QT_QPA_PLATFORM", "KORVANE_SIM_IMAGE", "KORVANE_SIM_MODEL", "SANE_CONFIG_DIR"):
            env.pop(key, None)
        if args.sane_config:
            env["SANE_CONFIG_DIR"] = args.sane_config
        env.update({"DISPLAY": display, "HOME": home, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1",
                    "XDG_RUNTIME_DIR": os.path.join(home, "runtime"), "XDG_CONFIG_HOME": os.path.join(home, ".config")})
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        # A temporary folder of its own keeps the single-instance lock apart from any other
        # copy of the program on this machine.
        env["TMPDIR"] = os.path.join(home, "tmp")
        os.makedirs(env["TMPDIR"])
        os.environ["DISPLAY"] = display
        command = [args.app] + (["--scanner", args.scanner] if args.scanner else [])
        app_process = subprocess.Popen(command, env=env, cwd=home,
                                       stdout=subprocess.DEVNULL, stderr=sys.stderr)
        # Touch the accessibility bus only once the program's first window is up: a bus that
        # appears while the program sets up its own link to it makes Qt register too early, and
        # the program never shows up on it.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Korvane$"],
                       env=env, stdout=subprocess.DEVNULL, check=True, timeout=60)
        name = os.path.basename(args.app)
        app = wait_for("the program on the accessibility bus",
                       lambda: find_application(name) or exited(app_process), 30)

        # First start: the language question; OK keeps the first language, English.
        ok = wait_for("the language dialog", lambda: find(app, "push button", "OK"), 30)
        press(ok)

        prescan = wait_for("the main window (scanner linked)", lambda: find(app, "push button", "Prescan"), 60)
        scan = find(app, "push button", "Scan")
        view = wait_for("the preview", lambda: find(app, "scroll pane", "Preview") or find(app, "panel", "Preview")
                        or find(app, "canvas", "Preview") or find(app, None, "Preview"), 5)
        if scan is None:
            raise Failure("no Scan button")
        frame = find(app, "frame")
        view_box = extents(view)
        empty_preview = grab(display, view_box)

        started = time.monotonic()
        press(prescan)
        wait_for("the processed prescan in the preview",
                 lambda: differing_share(empty_preview, grab(display, view_box)) > 0.25, 20, 0.02)
        prescan_ms = (time.monotonic() - started) * 1000
        # Wait until the wait dialog is gone before touching the preview.
        wait_for("the prescan wait dialog to close", lambda: find(app, "dialog", "Prescan") is None, 20)

        # Draw the frame inside the picture: 200 x 150 preview pixels from (60, 50) of the viewport.
        x0, y0 = view_box[0] + 2 + 60, view_box[1] + 2 + 50
        x1, y1 = x0 + 200, y0 + 150
        xdo = ["xdotool"]
        subprocess.run(xdo + ["mousemove", str(x0), str(y0)], env=env, check=True)
        subprocess.run(xdo + ["mousedown", "1"], env=env, check=True)
        for step in range(1, 11):
            subprocess.run(xdo + ["mousemove", str(x0 + (x1 - x0) * step // 10), str(y0 + (y1 - y0) * step // 10)],
                           env=env, check=True)
        subprocess.run(xdo + ["mouseup", "1"], env=env, check=True)
        time.sleep(0.3)

        width_label = find(app, "label", pattern=r"^Width: ")
        before = width_label.name if width_label else ""
        started = time.monotonic()
        press(scan)
        wait_for("the information panel to show the saved file",
                 lambda: (lambda label: label is not None and label.name != before and not label.name.startswith("Width: 0 "))(
                     find(app, "label", pattern=r"^Width: ")), 60, 0.02)
        scan_ms = (time.monotonic() - started) * 1000
        message = find(app, "alert") or find(app, "dialog", "Korvane")
        if message is not None:
            texts = [node.name for node in descendants(message) if node.getRoleName() == "label"]
            raise Failure("a message box appeared after the scan: %s" % texts)

        time.sleep(0.3)
        if args.shot:
            os.makedirs(os.path.dirname(os.path.abspath(args.shot)), exist_ok=True)
            grab(display, extents(frame) if frame is not None else (0, 0, 1280, 800), args.shot)

        pictures = os.path.join(home, "Documents", "Korvane", "Pictures")
        files = sorted(f for f in os.listdir(pictures) if f.lower().endswith((".tif", ".tiff")))
        if len(files) != 1:
            raise Failure("expected one TIFF in %s, found %s" % (pictures, files))
        width, height, dpi = tiff_size_and_dpi(os.path.join(pictures, files[0]))
        if args.scanner:
            # A real scanner scans at the resolution it offers nearest to the asked one.
            if dpi <= 0:
                raise Failure("the saved picture carries no resolution")
        elif abs(dpi - FINAL_DPI) > 0.5:
            raise Failure("the saved picture says %.1f dpi, the simulated scanner scans at %d" % (dpi, FINAL_DPI))
        else:
            dpi = FINAL_DPI
        scale = dpi * SCANNER_WIDTH_INCHES / PRESCAN_WIDTH
        expected = (round((x1 - x0) * scale), round((y1 - y0) * scale))
        print("saved %s: %d x %d pixels at %.0f dpi, framed %d x %d" % (files[0], width, height, dpi, *expected))
        print("prescan click to processed preview: %.0f ms" % prescan_ms)
        print("scan click to updated information panel: %.0f ms" % scan_ms)
        # A preview pixel is six scanner pixels; allow three preview pixels of play on each side,
        # and a real scanner's own step in its area (SANE backends round it, up to a millimetre).
        play = max(3 * scale, dpi / 25.4 + 1) if args.scanner else 3 * scale
        if abs(width - expected[0]) > play or abs(height - expected[1]) > play:
            raise Failure("the saved picture is %d x %d, the frame asked for about %d x %d" % (width, height, *expected))

        # Leave as a user would: File > Close (Ctrl+E) asks once, since a prescan is held.
        subprocess.run(xdo + ["key", "ctrl+e"], env=env, check=True)
        yes = wait_for("the close question", lambda: find(app, "push button", "Yes"), 10)
        press(yes)
        code = app_process.wait(timeout=20)
        app_process = None
        if code != 0:
            raise Failure("the program ended with exit code %d" % code)
        return 0
    finally:
        if app_process is not None:
            app_process.send_signal(signal.SIGKILL)
            app_process.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(home, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--shot", default="")
    parser.add_argument("--scanner", default="")
    parser.add_argument("--sane-config", default="")
    args = parser.parse_args()
    try:
        return run(args)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
