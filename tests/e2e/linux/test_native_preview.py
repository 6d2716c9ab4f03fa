"""The saver in a host's window: the preview stretched into it, silent, and
ended with the window; a hack (--root) centred on black, its random chime
played once, its Tick after the process was stopped; ends quietly without
a window; the command line's answer to what it does not know."""

import os
import signal
import time
import unittest

from lib.process import wait_for
from lib.session import SessionCase

LEFT, TOP, WIDTH, HEIGHT = 100, 80, 152, 112
AREA = (LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT)
CLIP_BYTES = 31957  # the chime's samples, 2.9 s of them


class PreviewTest(SessionCase):

    def test_stretched_into_the_host_and_ended_with_it(self):
        # As xscreensaver-settings starts it: --window-id added to --root.
        host = self.display.create_window(LEFT, TOP, WIDTH, HEIGHT)
        played = self.session.sound_bytes()
        proc = self.session.run("--root", "--window-id", hex(host))
        seen = set()

        def both_frames():
            seen.add(self.frames.classify(self.display.screenshot(AREA), AREA))
            return {101, 102} <= seen or not proc.running()

        wait_for(both_frames, 30, what="both frames in the host")
        self.assertTrue(proc.running(), proc.stderr_tail())
        self.assertEqual(self.session.sound_bytes(), played)
        self.assertTrue(self.display.cursor_visible())
        self.display.destroy_window(host)
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())

    def start_hack(self, *args, kept=None):
        """A hack (--root) on an 800 x 700 host window, started by this
        process, which it takes for the host of its blanking; `kept`: the
        sound schedule a run before kept. The program, and a reader of the ms
        that the schedule it keeps has counted for the interval (0: none)."""
        host = self.display.create_window(0, 0, 800, 700)
        with open("/proc/self/stat") as f:
            started = f.read().rsplit(")", 1)[1].split()[19]
        folder = os.path.join(self.session.run_dir, "vorlan-screen-saver-2")
        os.makedirs(folder, mode=0o700, exist_ok=True)
        path = os.path.join(folder, "%d-%s-schedule-0-0-0-800x700" % (os.getpid(), started))
        for stale in (path, self.session.sound_path):
            if os.path.exists(stale):
                os.remove(stale)
        if kept:
            with open(path, "w") as f:
                f.write(kept)

        def elapsed():  # the file is replaced whole with each Tick
            if not os.path.exists(path):
                return 0
            with open(path) as f:
                return int(f.read().split()[2])
        return self.session.run("--root", *args, env=dict(
            self.session.env, XSCREENSAVER_WINDOW=hex(host))), elapsed

    def test_a_hack_centred_on_black_in_its_host_plays_a_random_chime_once(self):
        # The host of --root need not be XScreenSaver, nor its window black.
        # Kept a Tick before its delay of 10 Ticks ends: the first Tick plays.
        proc, _ = self.start_hack("--random", "--interval", "60", kept="120 -1 0 4500 10 0\n")
        area = (0, 0, 800, 700)
        found = wait_for(lambda: self.frames.locate(self.display.screenshot(area))
                         or not proc.running(), 30, what="the frame alone on black in the host")
        self.assertTrue(proc.running(), proc.stderr_tail())
        left, top, right, bottom = found[1]
        self.assertAlmostEqual(left + right, 800, delta=4)
        self.assertAlmostEqual(top + bottom, 700, delta=4)
        wait_for(lambda: self.session.sound_bytes() >= CLIP_BYTES, 20, what="the chime")
        time.sleep(2)  # a loop would have gone round again by now
        self.assertLess(self.session.sound_bytes(), CLIP_BYTES * 5 // 4)

    def test_a_late_tick_fires_once_and_keeps_the_rhythm(self):
        proc, elapsed = self.start_hack("--continuous", "--interval", "600")
        wait_for(lambda: elapsed() >= 1000, 20, what="two Ticks")
        proc.proc.send_signal(signal.SIGSTOP)
        time.sleep(0.2)  # a Tick under way ends its write
        stopped = elapsed()
        time.sleep(3)  # six Ticks' time
        proc.proc.send_signal(signal.SIGCONT)
        wait_for(lambda: elapsed() != stopped, 10, what="the late Tick")
        time.sleep(0.2)
        self.assertEqual(elapsed() - stopped, 500, "the Ticks missed while stopped came too")
        wait_for(lambda: elapsed() == stopped + 1000, 5, what="the next Tick")

    def test_no_window_ends_quietly_and_unknown_options_are_refused(self):
        for args, code, lines in ((("--window-id", "0x1fffff0"), 0, 0), (("/p",), 0, 0),
                                  (("--frobnicate",), 1, 1)):
            with self.subTest(args=args):
                proc = self.session.run(*args)
                self.assertEqual(proc.wait(20), code)
                self.assertEqual((proc.stdout(), len(proc.stderr_tail().splitlines())), ("", lines))


if __name__ == "__main__":
    unittest.main()
