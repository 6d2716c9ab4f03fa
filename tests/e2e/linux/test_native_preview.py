"""The preview inside a host's window: stretched into it, silent, and ended
with the window; ends quietly without a window; the command line's answer
to what it does not know."""

import unittest

from lib.process import wait_for
from lib.session import SessionCase

LEFT, TOP, WIDTH, HEIGHT = 100, 80, 152, 112
AREA = (LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT)


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

    def test_a_hosts_window_is_black_around_the_frame(self):
        # The host of --root need not be XScreenSaver, nor its window black.
        area = (0, 0, 800, 700)
        host = self.display.create_window(*area)
        proc = self.session.run("--root", env=dict(self.session.env, XSCREENSAVER_WINDOW=hex(host)))
        found = wait_for(lambda: self.frames.locate(self.display.screenshot(area))
                         or not proc.running(), 30, what="the frame alone on black in the host")
        self.assertTrue(proc.running(), proc.stderr_tail())
        left, top, right, bottom = found[1]
        self.assertAlmostEqual(left + right, 800, delta=4)
        self.assertAlmostEqual(top + bottom, 700, delta=4)

    def test_no_window_ends_quietly_and_unknown_options_are_refused(self):
        for args, code, lines in ((("--window-id", "0x1fffff0"), 0, 0), (("/p",), 0, 0),
                                  (("--frobnicate",), 1, 1)):
            with self.subTest(args=args):
                proc = self.session.run(*args)
                self.assertEqual(proc.wait(20), code)
                self.assertEqual((proc.stdout(), len(proc.stderr_tail().splitlines())), ("", lines))


if __name__ == "__main__":
    unittest.main()
