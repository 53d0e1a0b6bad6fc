#!/usr/bin/env python3
"""Drives rastella.exe under wine on a virtual display, as a user would with
the mouse and keyboard, and holds it against the Linux build: the picture box
must show, pixel for pixel, what rastella-script draws for the same steps,
and the saved files must be byte-identical.

    gui_test.py --exe rastella.exe --script rastella-script --samples rastella-samples

With --chosen-as NAME the chosen sample is renamed first, and with --twin
NAME a different sample is placed under a second name: a name that the ANSI
code page cannot carry, next to the name that best-fit mapping makes of it,
shows whether the program lists, views and saves the file it was given.
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
FILE_LIST = (560, 216)                # File1, top left
BUTTONS = {"View": (560, 416, 121, 33), "Exit": (704, 560, 81, 33),
           "Save TGA": (560, 512, 121, 33), "Save ZTF": (560, 560, 121, 33),
           "Save ALPHA": (560, 464, 121, 33)}
# The steps of the scenario, as rastella-script commands.
SCENARIO = ["view", "picture-click", "view", "save-tga", "save-ztf", "save-alpha"]
CHOSEN = "sunset-rgba.tga"



def headless_picture(script_binary, folder, steps):
    script = "\n".join([f"click {CHOSEN}", *steps, "dump picture.ppm"]) + "\n"
    run([script_binary], input=script.encode(), cwd=folder)
    with open(os.path.join(folder, "picture.ppm"), "rb") as picture:
        return ppm_pixels(picture.read())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--chosen-as", help="the name to give the chosen sample")
    parser.add_argument("--twin", help="a name for a copy of another sample")
    options = parser.parse_args()
    global CHOSEN
    options.exe, options.script, options.samples = map(os.path.abspath, (options.exe, options.script, options.samples))

    work = tempfile.mkdtemp(prefix="rastella-gui-")
    try:
        windows_folder = os.path.join(work, "windows")
        linux_folder = os.path.join(work, "linux")
        run([options.samples, windows_folder])
        if options.chosen_as:
            os.rename(os.path.join(windows_folder, CHOSEN), os.path.join(windows_folder, options.chosen_as))
            CHOSEN = options.chosen_as
        if options.twin:
            other = sorted(name for name in os.listdir(windows_folder) if name != CHOSEN and name.endswith(".tga"))[0]
            shutil.copyfile(os.path.join(windows_folder, other), os.path.join(windows_folder, options.twin))
        shutil.copytree(windows_folder, linux_folder)
        names = sorted(name for name in os.listdir(windows_folder) if name.lower().endswith(".tga"))
        expected = headless_picture(options.script, linux_folder, SCENARIO)

        with Display() as display:
            # A wine server that is still running from programs started
            # without a display would keep this one's windows off screen too.
            subprocess.run(["wineserver", "-k"], capture_output=True)
            subprocess.run(["wineserver", "-w"], capture_output=True, timeout=120)
            program = subprocess.Popen(["wine", options.exe], cwd=windows_folder, env=display.environment,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                window = display.xdotool("search", "--sync", "--name", "^Form1$").split()[0]
                geometry = display.xdotool("getwindowgeometry", "--shell", window)
                values = dict(line.split("=") for line in geometry.split())
                left, top = int(values["X"]), int(values["Y"])
                time.sleep(1)

                def click(x, y):
                    display.xdotool("mousemove", str(left + x), str(top + y), "click", "1")
                    time.sleep(0.4)

                def press(name):
                    x, y, width, height = BUTTONS[name]
                    click(x + width // 2, y + height // 2)

                # The first row, then the arrow keys down to the chosen file.
                click(FILE_LIST[0] + 30, FILE_LIST[1] + 8)
                for _ in range(names.index(CHOSEN)):
                    display.xdotool("key", "Down")
                    time.sleep(0.2)
                press("View")
                click(PICTURE[0] + 100, PICTURE[1] + 400)
                press("View")
                press("Save TGA")
                press("Save ZTF")
                press("Save ALPHA")
                time.sleep(1)
                shown = display.screenshot_rgb(left + PICTURE[0], top + PICTURE[1], PICTURE[2], PICTURE[3])
                press("Exit")
                program.wait(timeout=20)
            finally:
                if program.poll() is None:
                    program.kill()
                subprocess.run(["wineserver", "-k"], capture_output=True)

        failures = []
        if shown != expected:
            differing = sum(1 for index in range(0, len(expected), 3) if shown[index:index + 3] != expected[index:index + 3])
            failures.append(f"the picture box differs from the headless drawing in {differing} pixels")
        for prefix in ("TGA-", "ZTF-", "ALPHA-"):
            name = prefix + CHOSEN
            path_windows = os.path.join(windows_folder, name)
            if not os.path.exists(path_windows):
                failures.append(f"{name} was not written")
                continue
            with open(path_windows, "rb") as windows_file, open(os.path.join(linux_folder, name), "rb") as linux_file:
                if windows_file.read() != linux_file.read():
                    failures.append(f"{name} differs from the Linux program's")
        leftovers = [name for name in os.listdir(windows_folder) if name.startswith(".")]
        if leftovers:
            failures.append(f"temporary files left: {leftovers}")
        if program.returncode != 0:
            failures.append(f"exit status {program.returncode}")
        return report("gui test", failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
