#!/usr/bin/env python3
"""Drives rastella.exe under wine on a virtual display and reads its controls
with rastella-window-probe.exe: the program started with a file shows that
file selected and viewed; a long status line shows its start; the selected
file stays in view when a save refreshes the file list; the drive list
follows a drive that comes and goes (WM_DEVICECHANGE).

    window_follow_test.py --exe rastella.exe --probe rastella-window-probe.exe [--shots FOLDER]
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gui_test import BUTTONS, Display, report, run  # noqa: E402

TEXT1 = (24, 568, 513, 25)            # the status line in the client area
LONG_NAME = "M" * 150 + ".tga"


def write_tga(path, width, height):
    """A small uncompressed 24-bit TGA file, top row first."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0x20)
    pixels = b"".join(bytes((x * 40 % 256, y * 50 % 256, 90)) for y in range(height) for x in range(width))
    with open(path, "wb") as output:
        output.write(header + pixels)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def fields(line):
    """`key=value` words; the text field, if any, takes the rest of the line."""
    values = {}
    head, _, text = line.partition(" text=")
    for word in head.split():
        key, _, value = word.partition("=")
        values[key] = value
    if "text=" in line:
        values["text"] = text.rstrip("\n")
    return values


class Viewer:
    """rastella.exe started with one argument, with the probe at hand."""

    def __init__(self, display, options, argument, folder):
        self.display, self.options = display, options
        self.program = subprocess.Popen(["wine", options.exe, argument], cwd=folder, env=display.environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = display.xdotool("search", "--sync", "--name", "^Form1$").split()[0]
        values = dict(line.split("=") for line in display.xdotool("getwindowgeometry", "--shell", window).split())
        self.left, self.top = int(values["X"]), int(values["Y"])
        time.sleep(1.5)

    def probe(self, *arguments):
        output = run(["wine", self.options.probe, *arguments], env=self.display.environment).stdout.decode()
        return fields(output.strip())

    def press(self, name):
        x, y, width, height = BUTTONS[name]
        self.display.xdotool("mousemove", str(self.left + x + width // 2), str(self.top + y + height // 2), "click", "1")
        time.sleep(0.8)

    def shot(self, name):
        if self.options.shots:
            run(["import", "-window", "root", os.path.join(self.options.shots, name)], env=self.display.environment)

    def close(self):
        self.press("Exit")
        try:
            self.program.wait(timeout=20)
        finally:
            if self.program.poll() is None:
                self.program.kill()


def in_view(files):
    top, selected, visible = int(files["top"]), int(files["selected"]), int(files["visible"])
    return top <= selected < top + visible


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--shots")
    options = parser.parse_args()
    options.exe, options.probe = os.path.abspath(options.exe), os.path.abspath(options.probe)

    work = tempfile.mkdtemp(prefix="rastella-follow-")
    failures = []
    try:
        many = os.path.join(work, "many")
        os.makedirs(many)
        for index in range(30):
            write_tga(os.path.join(many, f"f{index:02d}.tga"), 4, 4)
        long_folder = os.path.join(work, "long")
        os.makedirs(os.path.join(long_folder, "ZTF-" + LONG_NAME))
        write_tga(os.path.join(long_folder, LONG_NAME), 6, 5)
        volume = os.path.join(work, "volume")
        os.makedirs(os.path.join(volume, "photos"))
        elsewhere = os.path.join(work, "elsewhere")
        os.makedirs(elsewhere)

        with Display() as display:
            subprocess.run(["wineserver", "-k"], capture_output=True)
            subprocess.run(["wineserver", "-w"], capture_output=True, timeout=120)
            try:
                # Started with the last of 30 files: selected, in view, viewed.
                viewer = Viewer(display, options, windows_path(os.path.join(many, "f29.tga")), elsewhere)
                files, status = viewer.probe("files"), viewer.probe("status")
                if (files["count"], files["selected"]) != ("30", "29") or not in_view(files):
                    failures.append(f"started with f29.tga, the file list is {files}")
                if status.get("text") != "TGA  :  4 x 4 - 24BPP":
                    failures.append(f"started with f29.tga, the status line reads {status.get('text')!r}")
                # "TGA-f29.tga" sorts first and pushes the selection down.
                viewer.press("Save TGA")
                files = viewer.probe("files")
                if (files["count"], files["selected"]) != ("31", "30") or not in_view(files):
                    failures.append(f"after Save TGA the file list is {files}")

                # A drive that comes and goes, announced as Windows does.
                before = viewer.probe("drives")
                viewer.probe("add-drive", "Q:", windows_path(volume))
                arrived = viewer.probe("drives")
                if int(arrived["count"]) != int(before["count"]) + 1 or arrived["selected"] != before["selected"]:
                    failures.append(f"after Q: arrived the drives are {arrived}, before {before}")
                viewer.probe("pick-drive", "Q:\\")
                if viewer.probe("folder").get("text") != "Q:\\":
                    failures.append(f"picking Q: left the folder list on {viewer.probe('folder')}")
                viewer.probe("remove-drive", "Q:")
                gone, folder = viewer.probe("drives"), viewer.probe("folder")
                if gone != {"count": before["count"], "selected": "C:\\"} or folder.get("text") != "C:\\":
                    failures.append(f"after Q: went the drives are {gone} and the folder list {folder}")
                viewer.close()

                # A long name whose save fails shows the verdict first.
                viewer = Viewer(display, options, windows_path(os.path.join(long_folder, LONG_NAME)), elsewhere)
                viewer.press("Save ZTF")
                status = viewer.probe("status")
                if status.get("text") != "ERROR  :  Cannot write ZTF-" + LONG_NAME or status["first"] != "0":
                    failures.append(f"after the failed save the status line is {status}")
                viewer.shot("win32-long-status.png")
                x, y, width, height = TEXT1
                display.xdotool("mousemove", str(viewer.left + x + 200), str(viewer.top + y + height // 2))
                time.sleep(2.5)
                viewer.shot("win32-long-status-tooltip.png")
                viewer.close()
            finally:
                subprocess.run(["wineserver", "-k"], capture_output=True)

        return report("window follow test", failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
