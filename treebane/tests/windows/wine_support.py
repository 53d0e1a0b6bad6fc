"""What the wine tests of treebane.exe share: texture contents, the
environment wine runs in, and the tally of checks with its closing line."""

import os
import random

HEADER_SIZE = 18
PIXEL_COUNT = 512 * 512
TEXTURE_SIZE = HEADER_SIZE + PIXEL_COUNT


def texture(seed, size=TEXTURE_SIZE, zero_every=4):
    """Random header and pixels, one pixel in `zero_every` already 0."""
    data = bytearray(random.Random(seed).randbytes(size))
    data[HEADER_SIZE::zero_every] = bytes(len(data[HEADER_SIZE::zero_every]))
    return bytes(data)


def texture_name(index):
    return f"t{100 + index}.tree.tga"


def wine_environment(**settings):
    """The environment for wine: quiet, no window of wine's own (no display),
    and the prefix /tmp/wineprefix-tb unless WINEPREFIX is set."""
    environment = dict(os.environ, WINEDEBUG="-all", **settings)
    environment.pop("DISPLAY", None)
    environment.pop("WAYLAND_DISPLAY", None)
    environment.setdefault("WINEPREFIX", "/tmp/wineprefix-tb")
    return environment


class Tally:
    """Counts checks; a failed one prints a line with its first problems."""

    def __init__(self, problems_shown=8):
        self.passed = 0
        self.failed = 0
        self.problems_shown = problems_shown

    def report(self, name, problems):
        if problems:
            self.failed += 1
            print(f"FAILED {name}: " + "; ".join(problems[:self.problems_shown]))
        else:
            self.passed += 1

    def close(self):
        """Prints "N passed, M failed" and gives the exit status."""
        print(f"{self.passed} passed, {self.failed} failed")
        return 1 if self.failed else 0


def masked(original, mask):
    """The texture as a run rewrites it: header kept, masked pixels 0."""
    pixels = bytes(pixel if keep else 0 for pixel, keep in zip(original[HEADER_SIZE:], mask))
    return original[:HEADER_SIZE] + pixels


class TextureFolder:
    """A folder of `count` textures and their mask, all made from seeds, with
    what a run must turn each texture into."""

    def __init__(self, path, count, mask_seed, texture_seed):
        self.path = path
        self.count = count
        generator = random.Random(mask_seed)
        self.mask = bytes(0 if generator.random() < 0.5 else generator.randint(1, 255) for _ in range(PIXEL_COUNT))
        self.originals = [texture(texture_seed + index) for index in range(count)]
        self.rewrites = [masked(original, self.mask) for original in self.originals]

    def write_fresh(self):
        """Empties the folder, then writes the mask and the original textures."""
        for name in os.listdir(self.path):
            os.remove(os.path.join(self.path, name))
        self.write("treebane.data", self.mask)
        for index, original in enumerate(self.originals):
            self.write(texture_name(index), original)

    def write(self, name, data):
        with open(os.path.join(self.path, name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(os.path.join(self.path, name), "rb") as file:
            return file.read()

    def expected_names(self):
        """The mask, every texture and every backup."""
        textures = {texture_name(index) for index in range(self.count)}
        return {"treebane.data"} | textures | {name + "_org" for name in textures}
