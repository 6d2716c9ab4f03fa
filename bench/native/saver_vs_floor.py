"""Benchmark of the native saver (--fullscreen) on a virtual display beside
the floor (floor.cpp): the least Xlib program that shows the same animation
and plays the same clip looped through ALSA.

For each screen size and program: the time from start to the first frame
on screen, the CPU time per minute of running used by the program and the X
server together (from /proc/<pid>/stat over a measured window), and the
program's peak resident memory (VmHWM), with the ratios saver / floor.
ALSA's file plug-in (an .asoundrc in a temporary HOME) writes into a FIFO
that is read at the clip's own byte rate: its "null" device has no clock,
and without that pace both programs would spend the minute writing sound as
fast as the CPU goes. Figures, not a test.

Usage: VSS_NATIVE=... VSS_FLOOR=... saver_vs_floor.py [--seconds N] [--starts N] [--size WxH]...
"""

import argparse
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))

from lib.frames import Frames  # noqa: E402
from lib.process import wait_for  # noqa: E402
from lib.session import MEDIA_DIR, NativeSession  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")
TARGET = 1.2
CLIP_BYTES_PER_SECOND = 11025  # 8-bit mono at 11,025 Hz


class PacedSink(threading.Thread):
    """Reads the FIFO no faster than a sound card would play it."""

    def __init__(self, path):
        super().__init__(daemon=True)
        os.mkfifo(path)
        self.path, self.total = path, 0

    def run(self):
        while os.path.exists(self.path):  # the session removes it at its end
            with open(self.path, "rb", buffering=0) as f:  # waits for a writer
                start, read = time.monotonic(), 0
                while True:
                    due = (time.monotonic() - start) * CLIP_BYTES_PER_SECOND - read
                    if due < 512:
                        time.sleep(0.01)
                        continue
                    chunk = f.read(int(due))
                    if not chunk:
                        break
                    read += len(chunk)
                    self.total += len(chunk)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK  # utime + stime


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:"))


def time_to_first_frame(session, frames, proc, started):
    """Polls a small square at the centre, cheap even at 4K, until it shows
    something that is neither the white root nor the black cover; then
    checks that the whole screen shows a frame."""
    d = session.display
    square = (d.width // 2 - 32, d.height // 2 - 32, d.width // 2 + 32, d.height // 2 + 32)

    def drawn():
        if not proc.running():
            raise RuntimeError("the program ended: " + proc.stderr_tail())
        data = d.screenshot(square).data
        return any(data[i:i + 3] not in (b"\0\0\0", b"\xff\xff\xff")
                   for i in range(0, len(data), 3))
    wait_for(drawn, 60, interval=0.002, what="a frame at the centre")
    seconds = time.monotonic() - started
    wait_for(lambda: frames.locate(d.screenshot()), 30, what="a whole frame on screen")
    return seconds


def first_frame_median(session, frames, argv, starts):
    """Start-up is short and noisy on a shared machine: the median of a few."""
    times = []
    for _ in range(starts):
        started = time.monotonic()
        proc = session.start_program(argv)
        times.append(time_to_first_frame(session, frames, proc, started))
        session.end_programs()
    return sorted(times)[len(times) // 2]


def measure(session, frames, argv, seconds, starts):
    first = first_frame_median(session, frames, argv, starts)
    session.display.mouse_move(0, 0)
    sound_before = session.sink.total
    started = time.monotonic()
    proc = session.start_program(argv)
    time_to_first_frame(session, frames, proc, started)
    time.sleep(2)  # start-up work settles outside the measured window
    pids = {"program": proc.pid, "Xvfb": session.display.xvfb.pid}
    before, t0 = {k: cpu_seconds(p) for k, p in pids.items()}, time.monotonic()
    time.sleep(seconds)
    after, elapsed = {k: cpu_seconds(p) for k, p in pids.items()}, time.monotonic() - t0
    if not proc.running():
        raise RuntimeError("%s ended during the measurement" % argv)
    peak = peak_rss_kib(proc.pid)
    sound = session.sink.total - sound_before
    session.end_programs()
    out = {k: (after[k] - before[k]) * 60 / elapsed for k in pids}
    out.update(first=first * 1000, peak=peak, total=out["program"] + out["Xvfb"], sound=sound)
    return out


ROWS = [
    ("start to first frame on screen (ms, median)", "first", "%12.0f"),
    ("CPU s per minute: program", "program", "%12.3f"),
    ("CPU s per minute: Xvfb", "Xvfb", "%12.3f"),
    ("CPU s per minute: program+Xvfb", "total", "%12.3f"),
    ("peak resident memory of the program (KiB)", "peak", "%12.0f"),
    ("  (sound written through ALSA, bytes)", "sound", "%12.0f"),
]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seconds", type=float, default=60.0,
                    help="length of the window in which CPU time is measured (default 60)")
    ap.add_argument("--starts", type=int, default=7,
                    help="starts whose median time to the first frame is shown (default 7)")
    ap.add_argument("--size", action="append", metavar="WxH",
                    help="screen size; repeatable (default 1920x1080 and 3840x2160)")
    opts = ap.parse_args()
    sizes = [tuple(map(int, s.lower().split("x"))) for s in opts.size or
             ("1920x1080", "3840x2160")]
    floor = os.environ.get("VSS_FLOOR")
    if not floor:
        raise SystemExit("VSS_FLOOR is not set; use scripts/bench-native.sh")
    frames = Frames(MEDIA_DIR)

    for width, height in sizes:
        results = {}
        session = NativeSession(width, height).start()
        session.sink = PacedSink(session.sound_path)
        session.sink.start()
        try:
            for name, argv in (("saver", [session.program, "--fullscreen"]),
                               ("floor", [floor])):
                print("measuring %s at %dx%d for %.0f s ..." % (name, width, height, opts.seconds),
                      file=sys.stderr)
                results[name] = measure(session, frames, argv, opts.seconds, opts.starts)
        finally:
            session.close()
        print("Vorlan Screen Saver 2 native benchmark: --fullscreen on a %dx%dx24 Xvfb, "
              "CPU measured over %.0f s (target: ratio <= %.1f)" % (width, height, opts.seconds,
                                                                   TARGET))
        print("%-44s %12s %12s %8s" % ("", "saver", "floor", "ratio"))
        for label, key, fmt in ROWS:
            s, f = results["saver"][key], results["floor"][key]
            ratio = "%8.2f" % (s / f) if f > 0 else "%8s" % "-"
            print(("%-44s " + fmt + " " + fmt + " %s") % (label, s, f, ratio))
        print(flush=True)


if __name__ == "__main__":
    main()
