#!/usr/bin/env python3
"""Interrupts treebane.exe, run under wine in a console, with Ctrl+C at
random moments, and checks that no texture or backup is ever found
half-written: each texture is its original or its complete rewrite, each
backup is absent or the original, and no temporary file stays.

    interrupt_test.py --exe build/tb-win64/treebane/treebane.exe

The program runs on a pseudo-terminal, which wine turns into a console, so
Ctrl+C reaches the program's console control handler as it would on
Windows; closing the console window (the close event) goes through the same
handler but cannot be brought about here. Prints "N passed, M failed" and
exits with status 1 on any failure.
"""

import argparse
import os
import pty
import random
import select
import signal
import sys
import tempfile
import termios
import time

from wine_support import Tally, TextureFolder, texture_name, wine_environment

TEXTURE_COUNT = 12
TEMPORARY_PREFIX = ".treebane-"
FINAL_PROMPT = b"Ready - press 'Enter'"


class Folder(TextureFolder):
    def __init__(self, path):
        super().__init__(path, TEXTURE_COUNT, mask_seed=1, texture_seed=1000)

    def reset(self):
        """The mask and the original textures; backups for the second half."""
        self.write_fresh()
        for index in range(TEXTURE_COUNT // 2, TEXTURE_COUNT):
            self.write(texture_name(index) + "_org", self.originals[index])

    def problems(self, all_rewritten=False):
        found = []
        names = set(os.listdir(self.path))
        for index in range(TEXTURE_COUNT):
            name = texture_name(index)
            if name not in names:
                found.append(f"{name} is gone")
                continue
            data = self.read(name)
            if data != self.rewrites[index] and (all_rewritten or data != self.originals[index]):
                found.append(f"{name} is " + ("not rewritten" if all_rewritten else "half-written"))
            if name + "_org" in names and self.read(name + "_org") != self.originals[index]:
                found.append(f"{name}_org is not the original")
            elif all_rewritten and name + "_org" not in names:
                found.append(f"{name}_org is missing")
        for name in sorted(names - self.expected_names()):
            found.append(f"{name} left behind" if name.startswith(TEMPORARY_PREFIX) else f"unexpected entry {name}")
        return found


class ConsoleRun:
    """treebane.exe under wine on a pseudo-terminal of its own."""

    def __init__(self, exe, folder, environment):
        self.process, self.terminal = pty.fork()
        if self.process == 0:
            # Enter is a carriage return to the console, also when it is
            # typed before wine has taken the terminal over.
            attributes = termios.tcgetattr(0)
            attributes[0] &= ~termios.ICRNL
            termios.tcsetattr(0, termios.TCSANOW, attributes)
            os.chdir(folder)
            os.execvpe("wine", ["wine", exe], environment)
        self.output = b""
        self.status = None

    def read(self, seconds):
        """Collects output for up to `seconds`; False once the program has ended."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            ready, _, _ = select.select([self.terminal], [], [], max(0.0, min(0.05, end - time.monotonic())))
            if ready:
                try:
                    chunk = os.read(self.terminal, 4096)
                except OSError:
                    chunk = b""
                self.output += chunk
            finished, status = os.waitpid(self.process, os.WNOHANG)
            if finished:
                self.status = status
                return False
        return True

    def read_until(self, text, seconds=120):
        """Collects output until it holds `text`, the program ends or time is up."""
        end = time.monotonic() + seconds
        while text not in self.output and time.monotonic() < end and self.read(0.01):
            pass

    def type(self, keys):
        os.write(self.terminal, keys)

    def finish(self, seconds=60):
        """Waits for the end; kills the program when it does not come."""
        if self.status is None and self.read(seconds):
            os.kill(self.process, signal.SIGKILL)
            os.waitpid(self.process, 0)
            os.close(self.terminal)
            return False
        os.close(self.terminal)
        return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True, help="treebane.exe of a Windows build")
    parser.add_argument("--rounds", type=int, default=15, help="runs interrupted mid-work (default 15)")
    arguments = parser.parse_args()
    exe = os.path.abspath(arguments.exe)
    environment = wine_environment()

    tally = Tally(problems_shown=None)

    with tempfile.TemporaryDirectory(prefix="treebane-interrupt-") as path:
        folder = Folder(path)

        # A whole run, ended at the prompt with Enter.
        folder.reset()
        run = ConsoleRun(exe, path, environment)
        run.read_until(FINAL_PROMPT)
        run.type(b"\r")
        ended = run.finish()
        tally.report("whole run in a console", ([] if ended else ["did not end after Enter"])
               + ([] if FINAL_PROMPT in run.output else ["no final prompt"])
               + folder.problems(all_rewritten=True))

        # Ctrl+C at the final prompt: every texture is whole already.
        folder.reset()
        run = ConsoleRun(exe, path, environment)
        run.read_until(FINAL_PROMPT)
        run.type(b"\x03")
        ended = run.finish()
        tally.report("Ctrl+C at the final prompt", ([] if ended else ["did not end on Ctrl+C"])
               + folder.problems(all_rewritten=True))

        # Ctrl+C while a texture is being copied or rewritten: soon after
        # the line that announces it, on a folder that keeps what earlier
        # interrupted runs left and is refilled now and then.
        generator = random.Random(20240612)
        interrupted_mid_run = 0
        for round_number in range(arguments.rounds):
            if round_number % 3 == 0:
                folder.reset()
            index = generator.randrange(TEXTURE_COUNT)
            delay = generator.uniform(0.0, 0.03)
            run = ConsoleRun(exe, path, environment)
            run.read_until(texture_name(index).encode())
            time.sleep(delay)
            run.type(b"\x03")
            ended = run.finish()
            if FINAL_PROMPT not in run.output:
                interrupted_mid_run += 1
            tally.report(f"Ctrl+C {delay * 1000:.0f} ms after {texture_name(index)} showed up",
                   ([] if ended else ["did not end on Ctrl+C"]) + folder.problems())

        tally.report("some interrupts came in the middle of the work",
               [] if interrupted_mid_run > 0 else ["every interrupt came after the work"])

        # Whatever the interrupts left, a run to its end finishes the work.
        run = ConsoleRun(exe, path, environment)
        run.read_until(FINAL_PROMPT)
        run.type(b"\r")
        ended = run.finish()
        tally.report("a whole run after the interrupts",
               ([] if ended else ["did not end after Enter"]) + folder.problems(all_rewritten=True))
        print(f"{interrupted_mid_run} of {arguments.rounds} interrupts came before the final prompt")

    return tally.close()


if __name__ == "__main__":
    sys.exit(main())
