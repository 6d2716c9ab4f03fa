"""Benchmark of the native saver (--fullscreen) on a virtual display beside
the floor (x11_floor.cpp): the least Xlib program that shows the same animation
and plays the same clip looped through ALSA.

For each screen size and program: the time from start to the first frame
on screen, the CPU time per minute of running used by the program and the X
server together (from /proc/<pid>/stat over a measured window), and the
program's peak resident memory (VmHWM), with the ratios saver / floor.
ALSA's file plug-in (an .asoundrc in a temporary HOME) writes into a FIFO
that is read at the clip's own byte rate: its "null" device has no clock,
and without that pace both programs would spend the minute writing sound as
fast as the CPU goes. Figures, not a test.

Usage: VSS_NATIVE=... VSS_FLOOR=... native_vs_floor.py [--seconds N] [--starts N] [--size WxH]...
"""

import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from common import cpu_seconds, options, peak_rss_kib, print_table  # noqa: E402
from common import time_to_first_frame as first_frame  # noqa: E402
from lib.frames import Frames  # noqa: E402
from lib.session import MEDIA_DIR, NativeSession  # noqa: E402

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


def time_to_first_frame(session, frames, proc, started):
    def alive():
        if not proc.running():
            raise RuntimeError("the program ended: " + proc.stderr_tail())
    return first_frame(session.display, frames, started, alive, interval=0.002)


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
    opts = options(__doc__, lambda ap: ap.add_argument(
        "--starts", type=int, default=15,
        help="starts whose median time to the first frame is shown (default 15)"))
    floor = os.environ.get("VSS_FLOOR")
    if not floor:
        raise SystemExit("VSS_FLOOR is not set; use scripts/bench-native.sh")
    frames = Frames(MEDIA_DIR)

    for width, height in opts.sizes:
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
        print_table("Vorlan Screen Saver 2 native benchmark: --fullscreen on a %dx%dx24 Xvfb, "
                    "CPU measured over %.0f s (target: ratio <= %.1f)"
                    % (width, height, opts.seconds, TARGET), ROWS, results)


if __name__ == "__main__":
    main()
