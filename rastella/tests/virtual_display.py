"""What the tests that drive a real window share: an Xvfb server of their
own, xdotool and screenshots on it, and commands that never wait for ever."""

import os
import subprocess
import time


def report(test, failures):
    """Prints each failure and the test's one-line tally; returns the
    test's exit status."""
    for failure in failures:
        print("FAIL:", failure)
    print(f"{test}:", "1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


def run(command, **options):
    # Nothing may wait for ever: a window program that never shows its
    # window must fail the test, not hang it.
    return subprocess.run(command, check=True, capture_output=True, timeout=120, **options)


class Display:
    """An Xvfb server of its own on the first free display number from
    `first`, stopped at the end. `settings` go into its environment."""

    def __init__(self, first=91, **settings):
        self.first = first
        self.settings = settings

    def __enter__(self):
        for number in range(self.first, self.first + 60):
            if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
                self.name = f":{number}"
                break
        self.server = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.environment = dict(os.environ, DISPLAY=self.name, **self.settings)
        for _ in range(100):
            if subprocess.run(["xdotool", "getdisplaygeometry"], env=self.environment,
                              capture_output=True).returncode == 0:
                return self
            time.sleep(0.1)
        raise RuntimeError("Xvfb did not start")

    def __exit__(self, *unused):
        self.server.terminate()
        self.server.wait()

    def xdotool(self, *arguments):
        return run(["xdotool", *arguments], env=self.environment).stdout.decode()

    def screenshot_rgb(self, left, top, width, height):
        png = run(["import", "-window", "root", "png:-"], env=self.environment).stdout
        ppm = run(["/usr/bin/convert", "png:-", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                   "-depth", "8", "ppm:-"], input=png).stdout
        return ppm_pixels(ppm)


def ppm_pixels(ppm):
    """The pixel bytes of a binary PPM with a plain three-line header."""
    fields = ppm.split(b"\n", 3)
    assert fields[0] == b"P6", fields[0]
    return fields[3]
