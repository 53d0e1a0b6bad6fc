#!/usr/bin/env python3
"""Holds treebane.exe, run under wine, against the Linux treebane on file
names that the ANSI code page cannot carry: names with look-alikes of the
path separators, Unicode names, names that differ in letter case only, and a
folder whose path is longer than 260 characters.

The console text of the Windows program, redirected to a pipe, is the Linux
program's text in the console's code page (437 here), with "?" for each
character that the code page lacks.

    names_test.py --exe build/windows-x86_64/treebane/treebane.exe \
                  --linux build/test/treebane/treebane
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

HEADER_SIZE = 18
PIXEL_COUNT = 512 * 512
CONSOLE_CODE_PAGE = "cp437"
LOOK_ALIKE_SEPARATORS = ["\uff3c", "\uff0f", "\u2215", "\u2216"]


def texture(seed):
    data = bytearray(random.Random(seed).randbytes(HEADER_SIZE + PIXEL_COUNT))
    data[HEADER_SIZE::3] = bytes(len(data[HEADER_SIZE::3]))
    return bytes(data)


MASK = bytes(0 if index % 5 == 0 else 1 + index % 200 for index in range(PIXEL_COUNT))


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


def texture_folder(names, work="work"):
    def build(root):
        write(os.path.join(root, work, "treebane.data"), MASK)
        for index, name in enumerate(names):
            write(os.path.join(root, work, name), texture(100 + index))
    return build


def look_alikes(root):
    # The texture that a look-alike turned into a separator would reach.
    write(os.path.join(root, "victim.tree.tga"), texture(1))
    texture_folder([f"..{separator}victim.tree.tga" for separator in LOOK_ALIKE_SEPARATORS])(root)


LONG_PATH = os.path.join(*[f"folder-{index}-" + "n" * 40 for index in range(6)])


def run(command, folder, environment):
    result = subprocess.run(command, cwd=folder, input=b"\n", capture_output=True, timeout=300, env=environment)
    return result.returncode, result.stdout


def same_as_linux(linux_output, windows_output, linux_files, windows_files, originals):
    failures = []
    expected = linux_output.decode("utf-8").encode(CONSOLE_CODE_PAGE, "replace")
    if windows_output != expected:
        failures.append(f"console text: expected {expected!r}, got {windows_output!r}")
    if windows_files != linux_files:
        failures.append("files differ: " + ", ".join(sorted(
            path for path in set(linux_files) | set(windows_files) if linux_files.get(path) != windows_files.get(path))))
    if b"Processing" not in linux_output:
        failures.append("the Linux program processed nothing: the scenario tests nothing")
    return failures


def letter_case_kept_apart(linux_output, windows_output, linux_files, windows_files, originals):
    """Where the folder does not tell letter case apart for opening a file by
    name, the second texture is left alone rather than given the first one's
    backup; nothing is lost and nothing is mixed up."""
    failures = []
    upper, lower = os.path.join("work", "A.tree.tga"), os.path.join("work", "a.tree.tga")
    for path in (upper, upper + "_org"):
        if windows_files.get(path) != linux_files.get(path):
            failures.append(f"{path} differs from the Linux program's")
    if windows_files.get(lower + "_org", originals[lower]) != originals[lower]:
        failures.append("a.tree.tga_org is not a.tree.tga's original")
    if windows_files.get(lower) not in (originals[lower], linux_files[lower]):
        failures.append("a.tree.tga is neither its original nor the Linux program's result")
    if windows_files.get(lower) == originals[lower] and \
            b"a.tree.tga could not be processed - left unchanged" not in windows_output:
        failures.append("a.tree.tga was left unchanged without saying so")
    return failures


def long_path_refused(linux_output, windows_output, linux_files, windows_files, originals):
    """wine (and Windows without long paths enabled) cannot start a program in
    a folder deeper than 260 characters; the run must say so and change
    nothing, rather than claim that the mask is missing."""
    if b"Processing" in windows_output:
        return same_as_linux(linux_output, windows_output, linux_files, windows_files, originals)
    failures = []
    if b"shorter than 260 characters" not in windows_output:
        failures.append(f"no clear refusal: {windows_output!r}")
    if b"treebane.data not found" in windows_output:
        failures.append("claims that the mask is missing")
    if snapshot_of(windows_files) != snapshot_of(originals):
        failures.append("files changed")
    return failures


def snapshot_of(files):
    return sorted(files.items())


def scenarios():
    yield "separator look-alikes", look_alikes, "work", same_as_linux
    yield ("unicode names", texture_folder(["é.tree.tga", "Ã©.tree.tga", "α.tree.tga", "日本.tree.tga",
                                            "ａ.tree.tga", "a.tree.tga"]), "work", same_as_linux)
    yield "letter case", texture_folder(["A.tree.tga", "a.tree.tga"]), "work", letter_case_kept_apart
    yield ("long folder path", texture_folder(["deep.tree.tga", "δ.tree.tga"], os.path.join("work", LONG_PATH)),
           os.path.join("work", LONG_PATH), long_path_refused)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux", required=True)
    parser.add_argument("--wine", default="wine")
    arguments = parser.parse_args()
    # wine takes its code pages from the locale: this one gives code page 437.
    environment = dict(os.environ, WINEDEBUG="-all", LC_ALL="C.UTF-8")
    environment.pop("DISPLAY", None)  # no console window of wine's own
    environment.setdefault("WINEPREFIX", "/tmp/wineprefix-tb")
    exe, linux = os.path.abspath(arguments.exe), os.path.abspath(arguments.linux)

    passed = failed = 0
    for name, build, work, check in scenarios():
        workspace = tempfile.mkdtemp(prefix="treebane-names-")
        try:
            roots = {side: os.path.join(workspace, side) for side in ("linux", "windows")}
            for root in roots.values():
                os.makedirs(root)
                build(root)
            originals = snapshot(roots["windows"])
            linux_status, linux_output = run([linux], os.path.join(roots["linux"], work), environment)
            windows_status, windows_output = run([arguments.wine, exe], os.path.join(roots["windows"], work),
                                                 environment)
            failures = []
            if linux_status != 0 or windows_status != 0:
                failures.append(f"exit status Linux {linux_status}, Windows {windows_status}")
            failures += check(linux_output, windows_output, snapshot(roots["linux"]), snapshot(roots["windows"]),
                              originals)
        finally:
            shutil.rmtree(workspace, ignore_errors=True)
        if failures:
            failed += 1
            print(f"FAIL {name}: " + "; ".join(failures))
        else:
            passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
