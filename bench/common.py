"""What the Wine and the native benchmark share: the figures read from /proc,
the wait for the first frame, the options and the printed table."""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from lib.process import wait_for  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK  # utime + stime


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:"))


def time_to_first_frame(display, frames, started, alive=lambda: None, interval=0.005):
    """Polls a small square at the centre, cheap even at 4K, until it shows
    something that is neither the white root nor the black cover; then
    checks that the whole screen shows a frame. alive raises if the program
    has ended."""
    d = display
    square = (d.width // 2 - 32, d.height // 2 - 32, d.width // 2 + 32, d.height // 2 + 32)

    def drawn():
        alive()
        data = d.screenshot(square).data
        return any(data[i:i + 3] not in (b"\0\0\0", b"\xff\xff\xff")
                   for i in range(0, len(data), 3))
    wait_for(drawn, 120, interval=interval, what="a frame at the centre")
    seconds = time.monotonic() - started
    wait_for(lambda: frames.locate(d.screenshot()), 30, what="a whole frame on screen")
    return seconds


def options(doc, add_more=lambda parser: None):
    """--seconds and --size (repeatable), plus what add_more adds; the sizes
    come back as (width, height) pairs in opts.sizes."""
    ap = argparse.ArgumentParser(description=doc.split("\n\n")[0])
    ap.add_argument("--seconds", type=float, default=60.0,
                    help="length of the window in which CPU time is measured (default 60)")
    ap.add_argument("--size", action="append", metavar="WxH",
                    help="screen size; repeatable (default 1920x1080 and 3840x2160)")
    add_more(ap)
    opts = ap.parse_args()
    opts.sizes = [tuple(map(int, s.lower().split("x")))
                  for s in opts.size or ("1920x1080", "3840x2160")]
    return opts


def print_table(title, rows, results):
    """rows: (label, key, format); results: {"saver": {key: value}, "floor": ...}."""
    print(title)
    print("%-44s %12s %12s %8s" % ("", "saver", "floor", "ratio"))
    for label, key, fmt in rows:
        s, f = results["saver"][key], results["floor"][key]
        ratio = "%8.2f" % (s / f) if f > 0 else "%8s" % "-"
        print(("%-44s " + fmt + " " + fmt + " %s") % (label, s, f, ratio))
    print(flush=True)
