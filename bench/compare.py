#!/usr/bin/env python3
"""Runs the in-process benchmarks and the whole-process comparisons of
texture-tools against their peers, interleaved, and prints one line per
figure: our median, the peer's median and their ratio (peer / ours, so
above 1 means faster than the peer).

Every round runs the benchmark program once (its benchmarks in random
order) and then each whole-process pair, ours and the peer's back to back,
alternating which goes first.  The medians are taken over the rounds.

Called by bench/compare, which builds what this needs first.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SUBJECT = "natural-32-bottom-left"

# (figure, our benchmark, peer's benchmark, peer, target ratio)
IN_PROCESS_PAIRS = [
    ("TGA read into planes, from the file", f"GetTGA/{SUBJECT}",
     f"Peer/stb_image/LoadTGA/debian-flags/{SUBJECT}", "stb_image -O2", 3.0),
    ("TGA read into planes, from the file", f"GetTGA/{SUBJECT}",
     f"Peer/stb_image/LoadTGA/build-flags/{SUBJECT}", "stb_image -O3", 3.0),
    ("TGA decode alone, file already in memory", f"DecodeTGA/{SUBJECT}",
     f"Peer/stb_image/LoadTGAFromMemory/debian-flags/{SUBJECT}", "stb_image -O2", None),
    ("32-bit TGA written to memory", f"EncodeTGA/{SUBJECT}",
     f"Peer/stb_image_write/EncodeTGA/debian-flags/{SUBJECT}", "stb_image_write -O2", None),
    ("32-bit TGA written to memory", f"EncodeTGA/{SUBJECT}",
     f"Peer/stb_image_write/EncodeTGA/build-flags/{SUBJECT}", "stb_image_write -O3", None),
    ("ZTF decode, the encoder's own file", f"DecodeZTF/mixed/{SUBJECT}",
     f"Peer/libpng/Unfilter/mixed/{SUBJECT}", "libpng", 3.0),
    ("ZTF decode, every row Paeth", f"DecodeZTF/all-paeth/{SUBJECT}",
     f"Peer/libpng/Unfilter/all-paeth/{SUBJECT}", "libpng (no SSE2)", 2.0),
    ("ZTF encode, filter chosen per row", f"EncodeZTF/{SUBJECT}",
     f"Peer/libpng/ChooseFilters/{SUBJECT}", "libpng", 15.0),
    ("ZTF encode, filter chosen per row", f"EncodeZTF/{SUBJECT}",
     f"Peer/stb_image_write/ChooseFilters/debian-flags/{SUBJECT}", "stb_image_write -O2", 15.0),
    ("ZTF encode, filter chosen per row", f"EncodeZTF/{SUBJECT}",
     f"Peer/stb_image_write/ChooseFilters/build-flags/{SUBJECT}", "stb_image_write -O3", 15.0),
    ("treebane second run, per 10 textures", "Treebane/second-run/10-textures",
     "Peer/cp/10-textures", "cp", 0.5),
]

# (figure, our benchmark, limit in milliseconds or None)
IN_PROCESS_ALONE = [
    # Debian's libpng has no SSE2 filter code; a libpng built with it took
    # 8.7 ms for these rows on this machine, so half of that is the target.
    ("ZTF decode, every row Paeth, vs libpng SSE2 / 2", f"DecodeZTF/all-paeth/{SUBJECT}", 8.7 / 2),
    ("ZTF encode, filter chosen per row", f"EncodeZTF/{SUBJECT}", 3.0),
    ("ShowZTF 1024x1024 RGBA into the 518x518 surface", f"ShowZTF/{SUBJECT}", 1.0),
    ("ShowTGA 1024x1024 RGBA into the 518x518 surface", f"ShowTGA/{SUBJECT}", None),
    ("View of the TGA file (read, decode, draw)", f"View/TGA/{SUBJECT}", None),
    ("View of the ZTF file (read, decode, draw)", f"View/ZTF/{SUBJECT}", None),
    ("GetZTF (read the file, decode)", f"GetZTF/mixed/{SUBJECT}", None),
    ("SaveTGA into a folder, fsync included", f"SaveTGA/{SUBJECT}", None),
    ("SaveALPHA into a folder, fsync included", f"SaveALPHA/{SUBJECT}", None),
    ("SaveZTF into a folder, fsync included", f"SaveZTF/{SUBJECT}", None),
]

IMAGEMAGICK = "/usr/bin/convert"
TIME = "/usr/bin/time"


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the build folder of bench/compare")
    parser.add_argument("--rounds", type=int, default=7, help="rounds of every measurement (at least 5)")
    parser.add_argument("--min-time", default="0.2", help="seconds each in-process benchmark runs per round")
    parser.add_argument("--whole-process-only", action="store_true",
                        help="only the whole-process comparisons and the peak memory, without the in-process benchmarks")
    arguments = parser.parse_args()
    if arguments.rounds < 5:
        parser.error("--rounds must be at least 5")
    return arguments


def machine_description():
    model = platform.processor() or "unknown processor"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}"


def run_benchmarks(program, names, min_time):
    """One run of the benchmark program over `names`, in random order;
    returns real time in milliseconds by name."""
    pattern = "^(" + "|".join(sorted(set(names))) + ")/real_time$"
    command = [program, f"--benchmark_filter={pattern}", f"--benchmark_min_time={min_time}",
               "--benchmark_enable_random_interleaving=true", "--benchmark_format=json"]
    completed = subprocess.run(command, check=True, capture_output=True, text=True)
    report = json.loads(completed.stdout)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    times = {}
    for entry in report["benchmarks"]:
        if entry.get("error_occurred"):
            raise RuntimeError(f"{entry['name']}: {entry.get('error_message')}")
        name = entry["name"].removesuffix("/real_time")
        times[name] = entry["real_time"] * scale[entry["time_unit"]]
    missing = set(names) - set(times)
    if missing:
        raise RuntimeError(f"the benchmark program did not run {sorted(missing)}")
    return times


def checked_run(command, folder, expected_output=None):
    """Runs `command` in `folder` once and checks that it succeeds (and
    prints `expected_output`)."""
    completed = subprocess.run(command, cwd=folder, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if completed.returncode != 0:
        raise RuntimeError(f"{command} failed: {completed.stderr.strip()}")
    if expected_output is not None and expected_output not in completed.stdout:
        raise RuntimeError(f"{command} did not print {expected_output!r}: {completed.stdout.strip()}")


def timed(command, folder):
    """Wall-clock milliseconds of one run of `command` in `folder`, input
    from and output to /dev/null.  Started with posix_spawn, so that the
    launch costs no more than a shell's would."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)]
    # Other writes still on their way to the disk would make a program that
    # flushes its file wait for them too: they are flushed first.
    os.sync()
    previous = os.getcwd()
    os.chdir(folder)
    try:
        start = time.perf_counter()
        child = os.posix_spawn(command[0], command, os.environ, file_actions=actions)
        _, status = os.waitpid(child, 0)
        elapsed = (time.perf_counter() - start) * 1e3
    finally:
        os.chdir(previous)
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{command} failed")
    return elapsed


def peak_memory(command, folder):
    """Peak resident memory in KiB of one run of `command` in `folder`, as
    GNU time reports it (a child spawned from this Python process would
    count the interpreter's own memory)."""
    completed = subprocess.run([TIME, "-f", "%M", *command], cwd=folder, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    return int(completed.stderr.strip().splitlines()[-1])


class WholeProcessPairs:
    """The whole-process comparisons, each a pair of commands."""

    def __init__(self, build, scratch):
        files = os.path.join(scratch, "files")
        subprocess.run([os.path.join(build, "bench", "texture-tools-bench-files"), files], check=True)
        self.view_folder = os.path.join(files, "view")
        scripts = {
            "empty": "",
            "view": "click natural-32.tga\nview\nstatus\n",
            "view-save-ztf": "click natural-32.tga\nview\nsave-ztf\nstatus\n",
            "view-save-tga": "click natural-32.tga\nview\nsave-tga\nstatus\n",
        }
        self.script_program = os.path.join(build, "rastella", "rastella-script")
        self.ours = {}
        for name, text in scripts.items():
            path = os.path.join(self.view_folder, name + ".script")
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)
            self.ours[name] = [self.script_program, path]
        self.do_nothing = [os.path.join(build, "bench", "bench-do-nothing")]
        self.stb_load = [os.path.join(build, "bench", "bench-stb-load"), "natural-32.tga"]
        self.magick_png = [IMAGEMAGICK, "natural-32.tga", "-define", "png:compression-level=0",
                           "-define", "png:compression-filter=5", "natural-32.png"]
        self.magick_tga = [IMAGEMAGICK, "natural-32.tga", "-compress", "None", "copy-natural-32.tga"]

        self.tree_folder = os.path.join(files, "treebane")
        # The peer copies the whole texture folder, backups and mask
        # included, and makes the copy durable, into a folder that is
        # removed before each of its runs, outside the timing.
        self.copies = os.path.join(files, "copies")
        self.treebane = [os.path.join(build, "treebane", "treebane")]
        self.copy = ["/bin/sh", "-c", 'cp -r "$0" "$1" && sync -f "$1"', self.tree_folder, self.copies]

        # The first run of treebane makes the backups; every run after it is
        # a second run.  The other commands run once to check them and to
        # warm the caches.
        checked_run(self.treebane, self.tree_folder, "100 files processed")
        checked_run(self.ours["empty"], self.view_folder)
        checked_run(self.ours["view"], self.view_folder, "TGA  :  1024 x 1024 - 32BPP")
        checked_run(self.ours["view-save-ztf"], self.view_folder, "SAVED AS  :  ZTF-natural-32.tga")
        checked_run(self.ours["view-save-tga"], self.view_folder, "SAVED AS  :  TGA-natural-32.tga")
        checked_run(self.do_nothing, self.view_folder)
        checked_run(self.stb_load, self.view_folder)
        checked_run(self.magick_png, self.view_folder)
        checked_run(self.magick_tga, self.view_folder)
        shutil.rmtree(self.copies, ignore_errors=True)
        checked_run(self.copy, self.tree_folder)

    def before_peer(self, key):
        """Untimed preparation of a peer's run."""
        if key == "treebane":
            shutil.rmtree(self.copies, ignore_errors=True)

    def peak_memory(self):
        """Peak memory in KiB of a view, of an empty script and of a C++
        program that does nothing, the median of five runs each."""
        commands = {"view": self.ours["view"], "empty": self.ours["empty"], "do-nothing": self.do_nothing}
        return {key: statistics.median(peak_memory(command, self.view_folder) for _ in range(5))
                for key, command in commands.items()}

    def measure(self, round_number):
        """One round: ours and the peer's back to back, the order alternating
        from round to round."""
        view = self.view_folder
        pairs = {
            "empty-script": ((self.ours["empty"], view), (self.do_nothing, view)),
            "view": ((self.ours["view"], view), (self.stb_load, view)),
            "view-save-ztf": ((self.ours["view-save-ztf"], view), (self.magick_png, view)),
            "view-save-tga": ((self.ours["view-save-tga"], view), (self.magick_tga, view)),
            "treebane": ((self.treebane, self.tree_folder), (self.copy, self.tree_folder)),
        }
        results = {}
        for key, (ours, peer) in pairs.items():
            if round_number % 2 == 0:
                ours_time = timed(*ours)
                self.before_peer(key)
                peer_time = timed(*peer)
            else:
                self.before_peer(key)
                peer_time = timed(*peer)
                ours_time = timed(*ours)
            results[key] = (ours_time, peer_time)
        return results


def huge_pages_offered():
    """True when transparent huge pages are on, always or on request."""
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled", encoding="utf-8") as setting:
            return "[never]" not in setting.read()
    except OSError:
        return False


def format_time(milliseconds):
    if milliseconds is None:
        return "-"
    return f"{milliseconds:.3f} ms" if milliseconds < 10 else f"{milliseconds:.1f} ms"


def main():
    arguments = parse_arguments()
    build = os.path.abspath(arguments.build)
    program = os.path.join(build, "bench", "texture-tools-bench")
    names = [ours for _, ours, _, _, _ in IN_PROCESS_PAIRS] + [peer for _, _, peer, _, _ in IN_PROCESS_PAIRS]
    names += [ours for _, ours, _ in IN_PROCESS_ALONE]

    samples = {}
    whole = {}
    with tempfile.TemporaryDirectory(prefix="texture-tools-compare-") as scratch:
        pairs = WholeProcessPairs(build, scratch)
        for round_number in range(arguments.rounds):
            print(f"round {round_number + 1} of {arguments.rounds}", file=sys.stderr, flush=True)
            if not arguments.whole_process_only:
                for name, value in run_benchmarks(program, names, arguments.min_time).items():
                    samples.setdefault(name, []).append(value)
            for key, value in pairs.measure(round_number).items():
                whole.setdefault(key, []).append(value)

        memory = pairs.peak_memory()

    median = {name: statistics.median(values) for name, values in samples.items()}
    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    print(f"texture-tools benchmarks, {now}")
    print(f"machine: {machine_description()}")
    print(f"{arguments.rounds} rounds, medians; ratio = peer / ours (above 1: we are faster); "
          "1024 x 1024 RGBA natural content unless said otherwise")
    print()
    header = f"{'figure':<52} {'ours':>10}  {'peer':<22} {'peer time':>10} {'ratio':>8}  {'target':<10} result"
    print(header)
    print("-" * len(header))

    def line(figure, ours, peer, peer_time, target_text, met):
        ratio = f"{peer_time / ours:.2f}x" if peer_time is not None else "-"
        result = "" if met is None else ("met" if met else "NOT MET")
        print(f"{figure:<52} {format_time(ours):>10}  {peer:<22} {format_time(peer_time):>10} {ratio:>8}  "
              f"{target_text:<10} {result}")

    for figure, ours, peer, peer_label, target in IN_PROCESS_PAIRS if samples else []:
        ratio = median[peer] / median[ours]
        line(figure, median[ours], peer_label, median[peer], f">= {target:g}x" if target else "",
             None if target is None else ratio >= target)
    for figure, ours, limit in IN_PROCESS_ALONE if samples else []:
        line(figure, median[ours], "", None, f"< {limit:g} ms" if limit else "",
             None if limit is None else median[ours] < limit)

    def whole_line(figure, key, peer_label, target_text, met_by):
        ours = statistics.median(ours for ours, _ in whole[key])
        peer = statistics.median(peer for _, peer in whole[key])
        line(figure, ours, peer_label, peer, target_text, met_by(ours, peer))

    whole_line("whole process: empty script vs doing nothing", "empty-script", "C++ program, no work",
               "<= +2 ms", lambda ours, peer: ours - peer <= 2.0)
    whole_line("whole process: view vs stb_image load", "view", "stb_image -O2 load",
               ">= 1.3x", lambda ours, peer: peer / ours >= 1.3)
    whole_line("whole process: view + save-ztf vs convert to PNG", "view-save-ztf", "ImageMagick convert",
               ">= 6x", lambda ours, peer: peer / ours >= 6)
    whole_line("whole process: view + save-tga vs convert to TGA", "view-save-tga", "ImageMagick convert",
               "", lambda ours, peer: None)
    whole_line("whole process: treebane second run, 100 textures", "treebane", "cp -r of the folder + sync",
               ">= 0.67x", lambda ours, peer: ours <= 1.5 * peer)

    # Peak memory of a view: what the process holds beyond the same program
    # run on an empty script, against what the view needs: the image state's
    # two planes (4 MiB), the file and the picture surface, which is kept in
    # one 2 MiB huge page where the system offers them.  The pages of code
    # that only a view runs (the codecs, the drawing, the C library's string
    # functions: about 120 KiB, read off /proc/PID/smaps) and a view's small
    # working buffers count too; 256 KiB is left for them.
    extra = memory["view"] - memory["empty"]
    surface = 2048 if huge_pages_offered() else 518 * 518 * 4 / 1024
    buffers = 4096 + (18 + 1024 * 1024 * 4) / 1024 + surface
    code_and_work = 256
    print()
    print(f"peak memory of a view: {memory['view']} KiB, {extra} KiB above an empty script "
          f"({memory['empty']} KiB; a C++ program that does nothing: {memory['do-nothing']} KiB); "
          f"the planes, the file and the surface need {buffers:.0f} KiB, the view's code and work "
          f"{code_and_work} KiB more at most: "
          + ("met" if extra <= buffers + code_and_work else "NOT MET"))


if __name__ == "__main__":
    main()
