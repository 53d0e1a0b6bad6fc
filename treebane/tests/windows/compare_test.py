#!/usr/bin/env python3
"""Holds treebane.exe, run under wine, against the Linux treebane.

For every scenario two identical texture folders are made; the Linux program
runs in one and the Windows program in the other, each with the same
standard input piped. Both must end with status 0, print byte-identical
output, and leave byte-identical folders: the same names, the same bytes, no
temporary files.

    compare_test.py --exe build/tb-win64/treebane/treebane.exe \
                    --linux build/test/treebane/treebane

wine runs with WINEDEBUG=-all and, unless WINEPREFIX is set, the prefix
/tmp/wineprefix-tb (made on first use). Prints one line per failed scenario
and "N passed, M failed" at the end; the exit status is 1 on any failure.
"""

import argparse
import functools
import os
import random
import shutil
import subprocess
import sys
import tempfile

HEADER_SIZE = 18
PIXEL_COUNT = 512 * 512
TEXTURE_SIZE = HEADER_SIZE + PIXEL_COUNT
TEMPORARY_PREFIX = ".treebane-"
RUN_TIMEOUT_SECONDS = 120


@functools.lru_cache(maxsize=None)
def texture(seed, size=TEXTURE_SIZE):
    """Random header and pixels, about one pixel in four already 0."""
    data = bytearray(random.Random(seed).randbytes(size))
    data[HEADER_SIZE::4] = bytes(len(data[HEADER_SIZE::4]))
    return bytes(data)


@functools.lru_cache(maxsize=None)
def mask(seed, clear_share, size=PIXEL_COUNT):
    generator = random.Random(seed)
    return bytes(0 if generator.random() < clear_share else generator.randint(1, 255) for _ in range(size))


def write(folder, name, data):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(data)


class Scenario:
    """A folder to build, the input to pipe, and lines that the output of
    every run must hold, so that two programs failing alike do not pass."""

    def __init__(self, name, build, expected, stdin=b"\n", later_runs=()):
        self.name = name
        self.build = build
        self.expected = expected
        self.stdin = stdin
        # Each a (change to the folder, lines expected) pair for another run
        # over the same folder.
        self.later_runs = later_runs


def with_mask(clear_share=0.5, size=PIXEL_COUNT, seed=1):
    def build(folder):
        write(folder, "treebane.data", mask(seed, clear_share, size))
    return build


def scenarios():
    def backups(folder):
        with_mask()(folder)
        write(folder, "a.tree.tga", texture(2))
        write(folder, "b.tree.tga", texture(3))
        write(folder, "b.tree.tga_org", texture(4))

    def missing_mask(folder):
        write(folder, "a.tree.tga", texture(5))

    def short_mask(folder):
        with_mask(size=PIXEL_COUNT - 1)(folder)
        write(folder, "a.tree.tga", texture(6))

    def mask_names(folder):
        with_mask()(folder)
        write(folder, "old treebane.data.tree.tga", texture(7))
        write(folder, "old TREEBANE.DATA.tree.tga", texture(8))

    def letter_case(folder):
        with_mask()(folder)
        for seed, name in enumerate(["B.TREE.TGA", "a.tree.tga", "C.Tree.Tga", ".tree.tga"], 9):
            write(folder, name, texture(seed))

    def folder_named_like_a_texture(folder):
        with_mask()(folder)
        write(folder, "forest.tree.tga/inner.tree.tga", texture(13))
        write(folder, "z.tree.tga", texture(14))

    def near_names(folder):
        with_mask()(folder)
        for seed, name in enumerate(["x.tree.tgax", "x.tree.tga.bak", "tree.tga", "y.tga", "x.tree.tga_org",
                                     "z.tree.tga"], 15):
            write(folder, name, texture(seed))

    def sizes(folder):
        with_mask()(folder)
        write(folder, "a.tree.tga", texture(21, 10))
        write(folder, "b.tree.tga", texture(22, HEADER_SIZE + 1000))
        write(folder, "c.tree.tga", texture(23, TEXTURE_SIZE - 1))
        write(folder, "d.tree.tga", texture(24))
        write(folder, "e.tree.tga", texture(25, TEXTURE_SIZE + 5000))
        write(folder, "f.tree.tga", b"")
        write(folder, "g.tree.tga", texture(26, TEXTURE_SIZE + 1))
        write(folder, "g.tree.tga_org", texture(27, HEADER_SIZE + 7))

    def repeated(folder):
        with_mask(0.4)(folder)
        for seed, name in enumerate(["a.tree.tga", "b.tree.tga", "c.tree.tga"], 28):
            write(folder, name, texture(seed))

    def blocked_backups(folder):
        with_mask()(folder)
        write(folder, "a.tree.tga", texture(31))
        os.mkdir(os.path.join(folder, "a.tree.tga_org"))
        write(folder, "b.tree.tga", texture(32))
        write(folder, "c.tree.tga", texture(33))
        write(folder, "c.tree.tga_org", texture(34))
        write(folder, TEMPORARY_PREFIX + "copy.tmp/kept", b"kept")

    def temporary_names_taken(folder):
        """The user's files under names like those of temporary files of
        older versions stay; the leftover of a process that has ended goes."""
        with_mask()(folder)
        write(folder, "a.tree.tga", texture(35))
        write(folder, "b.tree.tga", texture(36))
        write(folder, "b.tree.tga_org", texture(37))
        write(folder, TEMPORARY_PREFIX + "slot2.tmp/kept", b"kept")
        write(folder, TEMPORARY_PREFIX + "slot1.tmp", b"kept")
        write(folder, TEMPORARY_PREFIX + "2000000000-x.tmp", b"kept")
        write(folder, TEMPORARY_PREFIX + "2000000000-7.tmp", b"left over by an ended process")

    def new_mask_without_zeros(folder):
        write(folder, "treebane.data", bytes([0x80]) * PIXEL_COUNT)

    return [
        Scenario("textures with and without backups", backups,
                 ["Saving a.tree.tga", "b.tree.tga_org allready excists", "2 files processed"]),
        Scenario("empty folder", with_mask(), ["No tree files found - wrong directory?", "0 treegroups cutted"]),
        Scenario("missing mask", missing_mask, ["treebane.data not found", "Press 'Enter'"]),
        Scenario("short mask", short_mask, ["Press 'Enter'"]),
        Scenario("names holding the mask name", mask_names,
                 ["Processing old TREEBANE.DATA.tree.tga", "1 files processed"]),
        Scenario("letter case and order", letter_case, ["Processing B.TREE.TGA", "4 files processed"]),
        Scenario("folder named like a texture", folder_named_like_a_texture, ["1 files processed"]),
        Scenario("names that only nearly match, 8.3 short names", near_names, ["1 files processed"]),
        Scenario("textures shorter and longer than 262162 bytes", sizes, ["7 files processed"]),
        Scenario("repeated runs over one folder", repeated, ["3 files processed"],
                 later_runs=[(None, ["c.tree.tga_org allready excists", "3 files processed"]),
                             (new_mask_without_zeros, ["0 treegroups cutted"])]),
        Scenario("backup names taken", blocked_backups,
                 ["a.tree.tga could not be processed", "Saving b.tree.tga", "Processing b.tree.tga",
                  "Processing c.tree.tga"]),
        Scenario("temporary names taken", temporary_names_taken,
                 ["Saving a.tree.tga", "Processing a.tree.tga", "Processing b.tree.tga", "2 files processed"]),
        Scenario("input at its end", backups, ["2 files processed"], stdin=b""),
        Scenario("input with more lines than needed", backups, ["2 files processed"], stdin=b"first\r\nsecond\r\n"),
    ]


def snapshot(folder):
    """Every entry under the folder: a file's bytes, None for a folder."""
    entries = {}
    for root, folders, files in os.walk(folder):
        for name in folders:
            entries[os.path.relpath(os.path.join(root, name), folder)] = None
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as file:
                entries[os.path.relpath(path, folder)] = file.read()
    return entries


def first_difference(left, right):
    for offset, (a, b) in enumerate(zip(left, right)):
        if a != b:
            return offset
    return min(len(left), len(right))


def describe_output_difference(linux, windows):
    linux_lines = linux.split(b"\r\n")
    windows_lines = windows.split(b"\r\n")
    for number, (a, b) in enumerate(zip(linux_lines, windows_lines), 1):
        if a != b:
            return f"output line {number}: Linux {a!r}, Windows {b!r}"
    return f"output: Linux {len(linux_lines)} lines, Windows {len(windows_lines)} lines"


def describe_folder_differences(linux, windows):
    problems = []
    for name in sorted(set(linux) | set(windows)):
        if name not in windows:
            problems.append(f"{name} only after the Linux run")
        elif name not in linux:
            problems.append(f"{name} only after the Windows run")
        elif linux[name] != windows[name]:
            if linux[name] is None or windows[name] is None:
                problems.append(f"{name} is a folder after one run only")
            else:
                problems.append(f"{name}: sizes {len(linux[name])} (Linux) and {len(windows[name])} (Windows), "
                                f"first difference at {first_difference(linux[name], windows[name])}")
    return problems


class Runner:
    def __init__(self, arguments):
        self.linux = os.path.abspath(arguments.linux)
        self.exe = os.path.abspath(arguments.exe)
        self.wine = arguments.wine
        environment = dict(os.environ)
        # No display: wine then offers no console window of its own.
        environment.pop("DISPLAY", None)
        environment.pop("WAYLAND_DISPLAY", None)
        environment["WINEDEBUG"] = "-all"
        environment.setdefault("WINEPREFIX", "/tmp/wineprefix-tb")
        self.environment = environment

    def run(self, command, folder, stdin):
        try:
            result = subprocess.run(command, cwd=folder, input=stdin, capture_output=True, env=self.environment,
                                    timeout=RUN_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return None
        return result

    def compare(self, scenario, workspace):
        """The problems found, an empty list when there are none."""
        linux_folder = os.path.join(workspace, "linux")
        windows_folder = os.path.join(workspace, "windows")
        for folder in (linux_folder, windows_folder):
            os.mkdir(folder)
            scenario.build(folder)
        created = snapshot(linux_folder)

        runs = [(None, scenario.expected)] + list(scenario.later_runs)
        for number, (change, expected) in enumerate(runs, 1):
            where = f"run {number}: " if len(runs) > 1 else ""
            if change is not None:
                change(linux_folder)
                change(windows_folder)
                created = snapshot(linux_folder)
            linux = self.run([self.linux], linux_folder, scenario.stdin)
            windows = self.run([self.wine, self.exe], windows_folder, scenario.stdin)
            if linux is None or windows is None:
                return [where + ("the Linux" if linux is None else "the Windows") + " program did not end"]

            problems = []
            if linux.returncode != 0:
                problems.append(f"the Linux program ended with status {linux.returncode}")
            if windows.returncode != 0:
                problems.append(f"the Windows program ended with status {windows.returncode}: "
                                + windows.stderr.decode(errors="replace").strip()[-300:])
            if linux.stdout != windows.stdout:
                problems.append(describe_output_difference(linux.stdout, windows.stdout))
            for line in expected:
                if line.encode() not in linux.stdout:
                    problems.append(f"the output lacks {line!r}")
            linux_after = snapshot(linux_folder)
            windows_after = snapshot(windows_folder)
            problems += describe_folder_differences(linux_after, windows_after)
            for name in sorted(set(linux_after) | set(windows_after)):
                if os.path.basename(name).startswith(TEMPORARY_PREFIX) and name not in created:
                    problems.append(f"temporary file {name} left behind")
            if problems:
                return [where + problem for problem in problems]
        return []


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True, help="treebane.exe of a Windows build")
    parser.add_argument("--linux", required=True, help="treebane of a Linux build")
    parser.add_argument("--wine", default="wine", help="the wine command (default: wine)")
    parser.add_argument("--keep", action="store_true", help="keep the folders of failed scenarios")
    arguments = parser.parse_args()
    runner = Runner(arguments)

    passed = failed = 0
    for scenario in scenarios():
        workspace = tempfile.mkdtemp(prefix="treebane-compare-")
        problems = runner.compare(scenario, workspace)
        if problems:
            failed += 1
            print(f"FAILED {scenario.name}: " + "; ".join(problems))
            if arguments.keep:
                print(f"  folders kept in {workspace}")
        else:
            passed += 1
        if not problems or not arguments.keep:
            shutil.rmtree(workspace, ignore_errors=True)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
