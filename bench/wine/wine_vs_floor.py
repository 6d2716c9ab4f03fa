"""Benchmark of the saver "/s" under Wine on a virtual display, beside the
floor (wine_floor.cpp): the least program that shows the same animation and plays
the same clip.

For each screen size and program it measures the time from start to the
first frame on screen (the median of several starts), the CPU time per
minute of running used by the program, the Wine server and the X server
together (from /proc/<pid>/stat over a measured window) and the program's
peak resident memory (VmHWM), and prints them with the ratios saver / floor. Figures, not a test.

Usage: VSS_SCR=... VSS_HOST=... VSS_FLOOR=... wine_vs_floor.py [--seconds N] [--starts N] [--size WxH]...
"""

import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from common import cpu_seconds, options, peak_rss_kib, print_table  # noqa: E402
from common import time_to_first_frame as first_frame  # noqa: E402
from lib.frames import Frames  # noqa: E402
from lib.session import MEDIA_DIR, env_path  # noqa: E402
from lib.wine import WineSession  # noqa: E402


def time_to_first_frame(session, frames, started):
    return first_frame(session.display, frames, started)


def start_once(session, frames, exe, args):
    """Starts the program, waits for its first frame and ends it: the time
    to that frame in seconds."""
    session.display.mouse_move(0, 0)
    started = time.monotonic()
    session.run(exe, *args)
    seconds = time_to_first_frame(session, frames, started)
    session.end_programs()
    return seconds


def measure(session, frames, exe, args, seconds):
    session.display.mouse_move(0, 0)
    started = time.monotonic()
    proc = session.run(exe, *args)
    time_to_first_frame(session, frames, started)
    time.sleep(2)  # start-up work settles outside the measured window
    pids = {"program": proc.pid, "wineserver": session.wineserver.pid,
            "Xvfb": session.display.server.pid}
    others = [p for p in session.prefix_processes() if p not in pids.values()]

    def sample():
        out = {k: cpu_seconds(p) for k, p in pids.items()}
        out["others"] = sum(cpu_seconds(p) for p in others if os.path.exists("/proc/%d" % p))
        return out
    before, t0 = sample(), time.monotonic()
    time.sleep(seconds)
    after, elapsed = sample(), time.monotonic() - t0
    if not proc.running():
        raise RuntimeError("%s ended during the measurement" % exe)
    peak = peak_rss_kib(proc.pid)
    session.end_programs()
    per_minute = {k: (after[k] - before[k]) * 60 / elapsed for k in before}
    per_minute["total"] = per_minute["program"] + per_minute["wineserver"] + per_minute["Xvfb"]
    return {"peak": peak, **per_minute}


ROWS = [
    ("start to first frame on screen (ms, median)", "first", "%12.0f"),
    ("CPU s per minute: program", "program", "%12.3f"),
    ("CPU s per minute: wineserver", "wineserver", "%12.3f"),
    ("CPU s per minute: Xvfb", "Xvfb", "%12.3f"),
    ("CPU s per minute: program+wineserver+Xvfb", "total", "%12.3f"),
    ("  (not counted: other Wine processes)", "others", "%12.3f"),
    ("peak resident memory of the program (KiB)", "peak", "%12.0f"),
]


def main():
    opts = options(__doc__, lambda ap: ap.add_argument(
        "--starts", type=int, default=7,
        help="starts whose median time to the first frame is shown (default 7)"))
    floor = env_path("VSS_FLOOR")
    wine = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          text=True).stdout.strip()
    frames = Frames(MEDIA_DIR)

    for width, height in opts.sizes:
        results = {}
        with WineSession("bench", width, height) as session:
            programs = (("saver", session.scr, ("/s",)), ("floor", floor, ()))
            # Not counted: the first program of a fresh session pays for
            # loading what both share (Wine's DLLs, the sound driver).
            for name, exe, args in programs:
                start_once(session, frames, exe, args)
            # Start-up is short and noisy on a shared machine: the median of
            # a few starts, taken in turns so that a slow moment hits both.
            firsts = {name: [] for name, _, _ in programs}
            for _ in range(opts.starts):
                for name, exe, args in programs:
                    firsts[name].append(start_once(session, frames, exe, args))
            for name, exe, args in programs:
                print("measuring %s at %dx%d for %.0f s ..." % (name, width, height, opts.seconds),
                      file=sys.stderr)
                results[name] = measure(session, frames, exe, args, opts.seconds)
                results[name]["first"] = statistics.median(firsts[name]) * 1000
        print_table("Vorlan Screen Saver 2 benchmark: /s on a %dx%dx24 Xvfb under %s, "
                    "CPU measured over %.0f s" % (width, height, wine, opts.seconds), ROWS, results)

if __name__ == "__main__":
    main()
