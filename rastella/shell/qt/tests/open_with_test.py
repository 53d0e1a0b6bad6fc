#!/usr/bin/env python3
"""Starts the Qt viewer the way a file manager's "Open with" does, on a
virtual display, and checks what it shows: given a file, the picture box
holds, pixel for pixel, what rastella-script draws for a click on that file
and View; given a path that is not there, the window starts as without one.

    open_with_test.py --exe rastella --script rastella-script --samples rastella-samples
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests"))
from virtual_display import Display, ppm_pixels, report, run  # noqa: E402

PICTURE = (24, 32, 518, 518)          # Picture1 in the client area
START_BACKGROUND = bytes((64, 64, 64))
CHOSEN = "leaf-ztf.tga"



def headless_picture(script_binary, folder):
    script = f"click {CHOSEN}\nview\ndump picture.ppm\n"
    run([script_binary], input=script.encode(), cwd=folder)
    try:
        with open(os.path.join(folder, "picture.ppm"), "rb") as picture:
            return ppm_pixels(picture.read())
    finally:
        os.remove(os.path.join(folder, "picture.ppm"))


def shown_picture(display, exe, argument, start_folder):
    """Starts the viewer with `argument`, waits for its picture to settle and
    returns the picture box's pixels; the viewer is ended after."""
    program = subprocess.Popen([exe, argument], cwd=start_folder, env=display.environment,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = display.xdotool("search", "--sync", "--onlyvisible", "--name", "^Form1$").split()[0]
        values = dict(line.split("=") for line in display.xdotool("getwindowgeometry", "--shell", window).split())
        left, top = int(values["X"]), int(values["Y"])
        # The same picture twice in a row: the drawing is done.
        previous = None
        for _ in range(40):
            time.sleep(0.25)
            shown = display.screenshot_rgb(left + PICTURE[0], top + PICTURE[1], PICTURE[2], PICTURE[3])
            if shown == previous:
                break
            previous = shown
        return shown, program.poll() is None
    finally:
        program.terminate()
        program.wait(timeout=20)


def differing_pixels(shown, expected):
    return sum(1 for index in range(0, len(expected), 3) if shown[index:index + 3] != expected[index:index + 3])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--samples", required=True)
    options = parser.parse_args()
    options.exe, options.script, options.samples = map(os.path.abspath, (options.exe, options.script, options.samples))

    work = tempfile.mkdtemp(prefix="rastella-open-with-")
    try:
        images = os.path.join(work, "images")
        elsewhere = os.path.join(work, "elsewhere")
        os.mkdir(elsewhere)
        run([options.samples, images])
        expected = headless_picture(options.script, images)
        failures = []
        with Display(first=140, QT_QPA_PLATFORM="xcb") as display:
            # Started from another folder, as a file manager does.
            shown, running = shown_picture(display, options.exe, os.path.join(images, CHOSEN), elsewhere)
            if not running:
                failures.append("the viewer ended by itself when given a file")
            if shown != expected:
                failures.append(f"given {CHOSEN}, the picture box differs from the headless drawing in "
                                f"{differing_pixels(shown, expected)} pixels")
            if expected == START_BACKGROUND * (len(expected) // 3):
                failures.append("the headless drawing is empty: nothing was compared")

            shown, running = shown_picture(display, options.exe, os.path.join(images, "missing.tga"), elsewhere)
            if not running:
                failures.append("the viewer ended by itself when given a missing file")
            if shown != START_BACKGROUND * (len(shown) // 3):
                failures.append("given a missing file, the picture box is not left at its start colour")
        return report("open-with test", failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
