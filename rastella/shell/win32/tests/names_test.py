#!/usr/bin/env python3
"""Holds rastella-script.exe, run under wine, against the Linux rastella-script
on file names that the ANSI code page cannot carry: Unicode names, names with
look-alikes of the path separators, names that differ in letter case only,
and a folder whose path is longer than 260 characters.

Each scenario builds one folder tree twice; the Linux program runs in one
copy and the Windows program in the other, on the same script. The status
texts must match, and so must the files of the whole tree, except where a
scenario says what Windows may do instead (and then nothing may be lost).

    names_test.py --exe build/windows-x86_64/rastella/rastella-script.exe \
                  --linux build/test/rastella/rastella-script
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

LOOK_ALIKE_SEPARATORS = ["\uff3c", "\uff0f", "\u2215", "\u2216"]


def tga(width, height, bits, seed):
    """An uncompressed TGA image: grayscale for 8 bits, colour otherwise."""
    image_type = 3 if bits == 8 else 2
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, bits,
                         8 if bits == 32 else 0)
    size = width * height * (bits // 8)
    return header + bytes((index * seed * 31 + seed) % 251 for index in range(size))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(data)


def snapshot(root):
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as file:
                files[os.path.relpath(path, root)] = file.read()
    return files


def view_and_save(names, saves=("save-tga",)):
    lines = []
    for name in names:
        lines += [f"click {name}", "view", "texts"] + [line for save in saves for line in (save, "texts")]
    return lines


class Scenario:
    def __init__(self, name, build, script, work="work", check=None):
        self.name = name
        self.build = build
        self.script = script
        self.work = work
        # check(linux_output, windows_output, linux_files, windows_files)
        # gives the failures; None asks for identical output and files.
        self.check = check


def unicode_names(root):
    for name, bits, seed in [("é.tga", 8, 3), ("Ã©.tga", 32, 5), ("α.tga", 24, 7), ("日本.tga", 32, 9)]:
        write(os.path.join(root, "work", name), tga(48, 24, bits, seed))


def look_alikes(root):
    # The file that a separator look-alike would reach, one folder up, and
    # the one that a save's name would reach through a folder "TGA-..".
    write(os.path.join(root, "victim.tga"), tga(16, 16, 24, 11))
    write(os.path.join(root, "work", "TGA-..", "victim.tga"), tga(16, 16, 24, 13))
    for index, separator in enumerate(LOOK_ALIKE_SEPARATORS):
        write(os.path.join(root, "work", f"..{separator}victim.tga"), tga(32, 8, 32, 17 + index))


def letter_case(root):
    write(os.path.join(root, "work", "RGBA.tga"), tga(32, 16, 32, 19))
    write(os.path.join(root, "work", "rgba.tga"), tga(16, 32, 24, 23))


LONG_PATH = os.path.join(*[f"folder-{index}-" + "n" * 40 for index in range(6)])


def long_path(root):
    write(os.path.join(root, "work", LONG_PATH, "deep.tga"), tga(24, 24, 32, 29))
    write(os.path.join(root, "work", LONG_PATH, "δ.tga"), tga(24, 24, 24, 31))


def saved_names(output):
    prefix = "SAVED AS  :  "
    return [line[len(prefix):] for line in output.splitlines() if line.startswith(prefix)]


def nothing_lost(originals):
    """Windows may refuse a save that Linux makes, with an error status; every
    original must stay as it was, and every file reported saved must hold
    what the Linux program saved under that name."""

    def check(linux_output, windows_output, linux_files, windows_files):
        failures = []
        for path, data in originals.items():
            if windows_files.get(path) != data:
                failures.append(f"{path} changed")
        for name in saved_names(windows_output):
            path = os.path.join("work", name)
            if windows_files.get(path) is None or windows_files.get(path) != linux_files.get(path):
                failures.append(f"reported {name} as saved, which holds other bytes")
        for path in windows_files:
            if path not in originals and windows_files[path] != linux_files.get(path):
                failures.append(f"{path} differs from the Linux program's")
        return failures

    return check


def scenarios():
    yield Scenario("unicode names", unicode_names,
                   ["list"] + view_and_save(["é.tga", "Ã©.tga", "α.tga", "日本.tga"],
                                            ("save-tga", "save-alpha", "save-ztf"))
                   + ["click 日本.tga", "view", "dump 日本.ppm", "list"])
    yield Scenario("separator look-alikes", look_alikes,
                   ["list"] + view_and_save([f"..{separator}victim.tga" for separator in LOOK_ALIKE_SEPARATORS],
                                            ("save-tga", "save-alpha")) + ["list"])
    case_originals = {}
    def letter_case_recorded(root):
        letter_case(root)
        case_originals.update(snapshot(root))
    yield Scenario("letter case", letter_case_recorded,
                   ["list"] + view_and_save(["RGBA.tga", "rgba.tga"]) + ["list"],
                   check=nothing_lost(case_originals))
    yield Scenario("long folder path", long_path,
                   [f"folder {LONG_PATH}", "list"] + view_and_save(["deep.tga", "δ.tga"]) + ["list"])


def first_difference(left, right):
    left_lines, right_lines = left.splitlines(), right.splitlines()
    for index, (a, b) in enumerate(zip(left_lines, right_lines)):
        if a != b:
            return f"line {index + 1}: Linux {a!r}, Windows {b!r}"
    return f"Linux has {len(left_lines)} lines, Windows {len(right_lines)}"


def run(command, folder, script, environment):
    result = subprocess.run(command, cwd=folder, input=script.encode("utf-8"), capture_output=True, timeout=300,
                            env=environment)
    return result.returncode, result.stdout.decode("utf-8", "replace").replace("\r\n", "\n"), result.stderr


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux", required=True)
    parser.add_argument("--wine", default="wine")
    arguments = parser.parse_args()
    environment = dict(os.environ, WINEDEBUG="-all")
    environment.setdefault("WINEPREFIX", "/tmp/wineprefix-names")
    exe = os.path.abspath(arguments.exe)
    linux = os.path.abspath(arguments.linux)

    passed = failed = 0
    for scenario in scenarios():
        workspace = tempfile.mkdtemp(prefix="rastella-names-")
        try:
            roots = {side: os.path.join(workspace, side) for side in ("linux", "windows")}
            for root in roots.values():
                os.makedirs(root)
                scenario.build(root)
            script = "\n".join(scenario.script) + "\n"
            linux_status, linux_output, linux_errors = run([linux], os.path.join(roots["linux"], scenario.work),
                                                           script, environment)
            windows_status, windows_output, windows_errors = run(
                [arguments.wine, exe], os.path.join(roots["windows"], scenario.work), script, environment)
            linux_files, windows_files = snapshot(roots["linux"]), snapshot(roots["windows"])
            failures = []
            if linux_status != 0 or windows_status != 0:
                failures.append(f"exit status Linux {linux_status}, Windows {windows_status}: "
                                f"{linux_errors!r} {windows_errors!r}")
            if "SAVED AS" not in linux_output:
                failures.append("the Linux program saved nothing: the scenario tests nothing")
            if scenario.check is None:
                if linux_output != windows_output:
                    failures.append("output differs, " + first_difference(linux_output, windows_output))
                if linux_files != windows_files:
                    differing = sorted(set(linux_files) ^ set(windows_files)) or sorted(
                        path for path in linux_files if linux_files[path] != windows_files[path])
                    failures.append(f"files differ: {differing}")
            else:
                failures += scenario.check(linux_output, windows_output, linux_files, windows_files)
        finally:
            shutil.rmtree(workspace, ignore_errors=True)
        if failures:
            failed += 1
            print(f"FAIL {scenario.name}: " + "; ".join(failures))
        else:
            passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
