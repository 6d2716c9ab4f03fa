"""Benchmark of the saver "/s" under Wine on a 1920 x 1080 virtual display,
beside the floor: the least program that shows the same animation.

For each program it prints the time from start to the first frame on screen,
the CPU time used per minute of running by the program, the Wine server and
the X server together (from /proc/<pid>/stat over a measured window), and the
program's peak resident memory (VmHWM); then the ratios saver / floor.

Figures, not a test: nothing here passes or fails on a number.

Usage: VSS_SCR=... VSS_HOST=... VSS_FLOOR=... VSS_SOURCE_DIR=... bench.py [--seconds N]
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Session, env_path, saver_frame_model, wait_for  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the line, 12 and 13 after ")".
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def measure(session, model, exe, args, seconds):
    session.mouse_move(0, 0)
    start = time.monotonic()
    proc = session.run(exe, *args)
    # First frame: the first screenshot that shows either frame where the
    # saver draws it.
    wait_for(lambda: model.classify(session.screenshot()) is not None, 60, interval=0.0,
             what="the first frame of %s" % os.path.basename(exe))
    first_frame = time.monotonic() - start
    # Let start-up work settle before the measured window.
    time.sleep(2)
    pids = {"program": proc.pid, "wineserver": session.wineserver.pid, "Xvfb": session.xvfb.pid}
    others = [p for p in session.prefix_processes() if p not in pids.values()]
    before = {k: cpu_seconds(p) for k, p in pids.items()}
    before_others = sum(cpu_seconds(p) for p in others if os.path.exists("/proc/%d" % p))
    t0 = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - t0
    after = {k: cpu_seconds(p) for k, p in pids.items()}
    after_others = sum(cpu_seconds(p) for p in others if os.path.exists("/proc/%d" % p))
    if not proc.running():
        raise RuntimeError("%s ended during the measurement" % exe)
    hwm = peak_rss_kib(proc.pid)
    per_minute = {k: (after[k] - before[k]) * 60 / elapsed for k in pids}
    per_minute["other Wine processes"] = (after_others - before_others) * 60 / elapsed
    session.key("a")
    if proc.wait_exit(30) is None:
        proc.kill()
    session.end_programs()
    return first_frame, per_minute, hwm


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seconds", type=float, default=60.0,
                    help="length of the measured window for CPU time (default 60)")
    opts = ap.parse_args()

    floor = env_path("VSS_FLOOR")
    with Session("bench") as session:
        model = saver_frame_model(session.source_dir)
        results = {}
        for name, exe, args in (("saver", session.scr, ("/s",)), ("floor", floor, ())):
            print("measuring %s for %.0f s ..." % (name, opts.seconds), file=sys.stderr)
            results[name] = measure(session, model, exe, args, opts.seconds)

    def total(r):
        return r[1]["program"] + r[1]["wineserver"] + r[1]["Xvfb"]

    print("Vorlan Screen Saver 2 benchmark: /s on a 1920x1080x24 Xvfb under %s, "
          "CPU measured over %.0f s" % (wine_version(), opts.seconds))
    print("%-44s %12s %12s %8s" % ("", "saver", "floor", "ratio"))
    rows = [
        ("start to first frame on screen (ms)",
         lambda r: r[0] * 1000, "%12.0f"),
        ("CPU s per minute: program", lambda r: r[1]["program"], "%12.3f"),
        ("CPU s per minute: wineserver", lambda r: r[1]["wineserver"], "%12.3f"),
        ("CPU s per minute: Xvfb", lambda r: r[1]["Xvfb"], "%12.3f"),
        ("CPU s per minute: program+wineserver+Xvfb", total, "%12.3f"),
        ("  (not counted: other Wine processes)",
         lambda r: r[1]["other Wine processes"], "%12.3f"),
        ("peak resident memory of the program (KiB)", lambda r: r[2], "%12.0f"),
    ]
    for label, f, fmt in rows:
        s, fl = f(results["saver"]), f(results["floor"])
        ratio = "%8.2f" % (s / fl) if fl > 0 else "%8s" % "-"
        print(("%-44s " + fmt + " " + fmt + " %s") % (label, s, fl, ratio))


def wine_version():
    import subprocess
    return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout.strip()


if __name__ == "__main__":
    main()
