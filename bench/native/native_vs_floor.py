"""Benchmark of the native saver (--fullscreen) beside its floors, the least
programs that show the same animation and play the same clip looped through
ALSA: on a virtual X display beside x11_floor.cpp (each size, then, when run
as root, two monitors of one X screen on Xorg's dummy driver), and on a
headless sway beside wayland_floor.cpp (each size as one output, then the
sizes together, the second at scale 2).

For each screen size and program: the time from start to the first frame
on screen, the CPU time per minute of running used by the program and the
display server (Xvfb or sway) together (from /proc/<pid>/stat over a
measured window), and the program's peak resident memory (VmHWM), with the
ratios saver / floor.
ALSA's file plug-in (an .asoundrc in a temporary HOME) writes into a FIFO
that is read at the clip's own byte rate: its "null" device has no clock,
and without that pace both programs would spend the minute writing sound as
fast as the CPU goes. Figures, not a test.

Usage: VSS_NATIVE=... VSS_FLOOR=... VSS_WAYLAND_FLOOR=... native_vs_floor.py
       [--seconds N] [--starts N] [--size WxH]... [--only x11|wayland]
"""

import os
import random
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from common import cpu_seconds, options, peak_rss_kib, print_table  # noqa: E402
from common import time_to_first_frame as first_frame  # noqa: E402
from lib.frames import Frames  # noqa: E402
from lib.process import wait_for  # noqa: E402
from lib.session import ASOUNDRC, MEDIA_DIR, NativeSession  # noqa: E402
from lib.wayland import WaylandSession  # noqa: E402
from lib.xorg import PRIMARY, XorgSession  # noqa: E402

TARGET = 1.2
CLIP_BYTES_PER_SECOND = 11025  # 8-bit mono at 11,025 Hz


class PacedSink(threading.Thread):
    """Reads the FIFO no faster than a sound card would play it."""

    def __init__(self, path):
        super().__init__(daemon=True)
        os.mkfifo(path)
        os.chmod(path, 0o666)  # for a program run as another user
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


class FirstOutput:
    """A sway session's first output as the wait for the first frame sees a
    display."""

    def __init__(self, sway, output):
        self.sway, (self.name, self.width, self.height, _) = sway, output

    def screenshot(self, region=None):
        return self.sway.screenshot(self.name, region)


class Monitor:
    """One monitor of an X screen, (left, top, right, bottom), as the wait
    for the first frame sees a display."""

    def __init__(self, display, place):
        self.display, (self.left, self.top, right, bottom) = display, place
        self.width, self.height = right - self.left, bottom - self.top

    def screenshot(self, region=None):
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        return self.display.screenshot((self.left + x0, self.top + y0, self.left + x1,
                                        self.top + y1))


def time_to_first_frame(session, frames, proc, started):
    def alive():
        if not proc.running():
            raise RuntimeError("the program ended: " + proc.stderr_tail())
    return first_frame(session.screen, frames, started, alive, interval=0.002)


def animates(session, frames, proc):
    """The frames alternate: a program whose screen stays still is no floor."""
    first = frames.locate(session.screen.screenshot())
    wait_for(lambda: not proc.running() or
             frames.locate(session.screen.screenshot()) not in (None, first), 10,
             what="the other frame")


def centre_look(screen):
    """A look at a square at the centre: when it began and ended, and
    whether it shows something that is neither the white root nor black."""
    square = (screen.width // 2 - 32, screen.height // 2 - 32,
              screen.width // 2 + 32, screen.height // 2 + 32)

    def look():
        began = time.monotonic()
        data = screen.screenshot(square).data
        return began, time.monotonic(), any(data[i:i + 3] not in (b"\0\0\0", b"\xff\xff\xff")
                                             for i in range(0, len(data), 3))
    return look


def dithered_first_frame(session, frames, argv, look):
    """One start at a random moment of a look, timed to the middle of the
    first look that shows the frame."""
    looks, stop = [], threading.Event()

    def keep_looking():
        while not stop.is_set():
            looks.append(look())
            time.sleep(0.002)  # the pause of the other wait for a frame
    poller = threading.Thread(target=keep_looking)
    poller.start()
    # The program is started here, not by the poller: its death signal
    # follows the thread that started it.
    try:
        wait_for(lambda: looks, 30, interval=0.001, what="a look at the screen")
        began, ended, _ = looks[0]
        time.sleep(random.uniform(0, ended - began))
        started = time.monotonic()
        proc = session.start_program(argv)

        def seen():
            if not proc.running():
                raise RuntimeError("the program ended: " + proc.stderr_tail())
            return next((l for l in list(looks) if l[0] >= started and l[2]), None)
        # The looks time the frame; this wait only collects it.
        began, ended, _ = wait_for(seen, 120, interval=0.02, what="a frame at the centre")
    finally:
        stop.set()
        poller.join()
    wait_for(lambda: frames.locate(session.screen.screenshot()), 30,
             what="a whole frame on screen")
    return (began + ended) / 2 - started


def first_frame_median(session, frames, argv, starts):
    """Start-up is short and noisy on a shared machine: the median of a few.
    Where a look at the screen takes a while (a capture on sway: about 40 ms
    at 1920x1080, 110 ms at 3840x2160), a frame shows in the first look that
    ends after it, and times would move in steps of one look; there each
    start is dithered (dithered_first_frame), so the median is finer than a
    step. A quick look (X11's, about a millisecond) needs none of this."""
    look = centre_look(session.screen)
    began, ended, _ = look()
    times = []
    for _ in range(starts):
        if ended - began < 0.01:
            started = time.monotonic()
            proc = session.start_program(argv)
            times.append(time_to_first_frame(session, frames, proc, started))
        else:
            times.append(dithered_first_frame(session, frames, argv, look))
        session.end_programs()
    return sorted(times)[len(times) // 2]


def measure(session, frames, argv, seconds, starts):
    first = first_frame_median(session, frames, argv, starts)
    if session.server != "sway":
        session.display.mouse_move(0, 0)
    sound_before = session.sink.total
    started = time.monotonic()
    proc = session.start_program(argv)
    time_to_first_frame(session, frames, proc, started)
    animates(session, frames, proc)
    time.sleep(2)  # start-up work settles outside the measured window
    pids = {"program": proc.pid, "server": session.server_pid}
    before, t0 = {k: cpu_seconds(p) for k, p in pids.items()}, time.monotonic()
    time.sleep(seconds)
    after, elapsed = {k: cpu_seconds(p) for k, p in pids.items()}, time.monotonic() - t0
    if not proc.running():
        raise RuntimeError("%s ended during the measurement" % argv)
    peak = peak_rss_kib(proc.pid)
    sound = session.sink.total - sound_before
    session.end_programs()
    out = {k: (after[k] - before[k]) * 60 / elapsed for k in pids}
    out.update(first=first * 1000, peak=peak, total=out["program"] + out["server"], sound=sound)
    return out


def rows(server):
    return [
        ("start to first frame on screen (ms, median)", "first", "%12.0f"),
        ("CPU s per minute: program", "program", "%12.3f"),
        ("CPU s per minute: " + server, "server", "%12.3f"),
        ("CPU s per minute: program+" + server, "total", "%12.3f"),
        ("peak resident memory of the program (KiB)", "peak", "%12.0f"),
        ("  (sound written through ALSA, bytes)", "sound", "%12.0f"),
    ]


def x11_session(width, height):
    session = NativeSession(width, height).start()
    session.server, session.server_pid, session.screen = "Xvfb", session.display.server.pid, \
        session.display
    return session


def xorg_session():
    session = XorgSession().start()
    session.server, session.server_pid = "Xorg", session.display.server.pid
    session.screen = Monitor(session.display, PRIMARY)
    return session


def wayland_session(outputs):
    session = WaylandSession(outputs).start()
    session.server, session.server_pid = "sway", session.display.sway.pid
    session.screen = FirstOutput(session.display, outputs[0])
    # One file the paced reader drains, written by whichever program plays.
    session.sound_path = os.path.join(session.work, "out.raw")
    session.write_home(".asoundrc", ASOUNDRC % session.sound_path)
    return session


def run(title, make_session, floor, opts, frames):
    results = {}
    session = make_session()
    session.sink = PacedSink(session.sound_path)
    session.sink.start()
    try:
        for name, argv in (("saver", [session.program, "--fullscreen"]), ("floor", [floor])):
            print("measuring %s: %s for %.0f s ..." % (name, title, opts.seconds), file=sys.stderr)
            results[name] = measure(session, frames, argv, opts.seconds, opts.starts)
    finally:
        session.close()
    print_table("Vorlan Screen Saver 2 native benchmark: --fullscreen %s, CPU measured over %.0f s "
                "(target: ratio <= %.1f)" % (title, opts.seconds, TARGET), rows(session.server),
                results)


def main():
    def more(ap):
        ap.add_argument("--starts", type=int, default=15,
                        help="starts whose median time to the first frame is shown (default 15)")
        ap.add_argument("--only", choices=("x11", "wayland"), help="one window system only")
    opts = options(__doc__, more)
    floors = {"x11": os.environ.get("VSS_FLOOR"), "wayland": os.environ.get("VSS_WAYLAND_FLOOR")}
    if not all(floors.values()):
        raise SystemExit("VSS_FLOOR or VSS_WAYLAND_FLOOR is not set; use scripts/bench-native.sh")
    frames = Frames(MEDIA_DIR)
    if opts.only != "wayland":
        for width, height in opts.sizes:
            run("on a %dx%dx24 Xvfb" % (width, height), lambda: x11_session(width, height),
                floors["x11"], opts, frames)
        if os.getuid() == 0:
            run("on Xorg's dummy driver, 1920x1080 + 1280x1024 (the primary)", xorg_session,
                floors["x11"], opts, frames)
        else:
            print("Two X11 monitors: not measured, Xorg's dummy driver runs as root\n")
    if opts.only != "x11":
        configs = [[("HEADLESS-1", w, h, 1)] for w, h in opts.sizes]
        if len(opts.sizes) > 1:
            (w1, h1), (w2, h2) = opts.sizes[:2]
            configs.append([("HEADLESS-1", w1, h1, 1), ("HEADLESS-2", w2, h2, 2)])
        for outputs in configs:
            title = "on headless sway, " + " + ".join(
                "%dx%d%s" % (w, h, " at scale %d" % s if s > 1 else "") for _, w, h, s in outputs)
            run(title, lambda: wayland_session(outputs), floors["wayland"], opts, frames)


if __name__ == "__main__":
    main()
