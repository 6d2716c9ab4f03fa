"""Benchmark of the saver "/s" under Wine on a virtual display, beside the
floor (floor.cpp): the least program that shows the same animation and plays
the same clip.

For each screen size and program it measures the time from start to the
first frame on screen, the CPU time per minute of running used by the
program, the Wine server and the X server together (from /proc/<pid>/stat
over a measured window) and the program's peak resident memory (VmHWM), and
prints them with the ratios saver / floor. Figures, not a test.

Usage: VSS_SCR=... VSS_HOST=... VSS_FLOOR=... saver_vs_floor.py [--seconds N] [--size WxH]...
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))

from lib.frames import Frames  # noqa: E402
from lib.process import wait_for  # noqa: E402
from lib.session import MEDIA_DIR, env_path  # noqa: E402
from lib.wine import WineSession  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK  # utime + stime


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:"))


def time_to_first_frame(session, frames, started):
    """Polls a small square at the centre, cheap even at 4K, until it shows
    something that is neither the white root nor the black cover; then
    checks that the whole screen shows a frame."""
    d = session.display
    square = (d.width // 2 - 32, d.height // 2 - 32, d.width // 2 + 32, d.height // 2 + 32)

    def drawn():
        data = d.screenshot(square).data
        return any(data[i:i + 3] not in (b"\0\0\0", b"\xff\xff\xff")
                   for i in range(0, len(data), 3))
    wait_for(drawn, 120, interval=0.005, what="a frame at the centre")
    seconds = time.monotonic() - started
    wait_for(lambda: frames.locate(d.screenshot()), 30, what="a whole frame on screen")
    return seconds


def warm_up(session, frames, exe, args):
    """One start that is not measured. The first program of a fresh session
    pays for loading what both share (Wine's DLLs, the sound driver), which
    would count against whichever is measured first."""
    session.display.mouse_move(0, 0)
    started = time.monotonic()
    session.run(exe, *args)
    time_to_first_frame(session, frames, started)
    session.end_programs()


def measure(session, frames, exe, args, seconds):
    session.display.mouse_move(0, 0)
    started = time.monotonic()
    proc = session.run(exe, *args)
    first = time_to_first_frame(session, frames, started)
    time.sleep(2)  # start-up work settles outside the measured window
    pids = {"program": proc.pid, "wineserver": session.wineserver.pid,
            "Xvfb": session.display.xvfb.pid}
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
    return {"first": first * 1000, "peak": peak, **per_minute}


ROWS = [
    ("start to first frame on screen (ms)", "first", "%12.0f"),
    ("CPU s per minute: program", "program", "%12.3f"),
    ("CPU s per minute: wineserver", "wineserver", "%12.3f"),
    ("CPU s per minute: Xvfb", "Xvfb", "%12.3f"),
    ("CPU s per minute: program+wineserver+Xvfb", "total", "%12.3f"),
    ("  (not counted: other Wine processes)", "others", "%12.3f"),
    ("peak resident memory of the program (KiB)", "peak", "%12.0f"),
]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seconds", type=float, default=60.0,
                    help="length of the window in which CPU time is measured (default 60)")
    ap.add_argument("--size", action="append", metavar="WxH",
                    help="screen size; repeatable (default 1920x1080 and 3840x2160)")
    opts = ap.parse_args()
    sizes = [tuple(map(int, s.lower().split("x"))) for s in opts.size or
             ("1920x1080", "3840x2160")]
    floor = env_path("VSS_FLOOR")
    wine = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          text=True).stdout.strip()
    frames = Frames(MEDIA_DIR)

    for width, height in sizes:
        results = {}
        with WineSession("bench", width, height) as session:
            programs = (("saver", session.scr, ("/s",)), ("floor", floor, ()))
            for name, exe, args in programs:
                warm_up(session, frames, exe, args)
            for name, exe, args in programs:
                print("measuring %s at %dx%d for %.0f s ..." % (name, width, height, opts.seconds),
                      file=sys.stderr)
                results[name] = measure(session, frames, exe, args, opts.seconds)
        print("Vorlan Screen Saver 2 benchmark: /s on a %dx%dx24 Xvfb under %s, "
              "CPU measured over %.0f s" % (width, height, wine, opts.seconds))
        print("%-44s %12s %12s %8s" % ("", "saver", "floor", "ratio"))
        for label, key, fmt in ROWS:
            s, f = results["saver"][key], results["floor"][key]
            ratio = "%8.2f" % (s / f) if f > 0 else "%8s" % "-"
            print(("%-44s " + fmt + " " + fmt + " %s") % (label, s, f, ratio))
        print(flush=True)


if __name__ == "__main__":
    main()
