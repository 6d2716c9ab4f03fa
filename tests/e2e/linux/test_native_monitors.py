"""The native saver on two monitors of one X screen (Xorg's dummy driver),
the primary one on the right and smaller: each black with the frames
centred in step, above every other window; a move on the other monitor
measured as on the form; monitors unplugged and plugged while it runs let
go and covered; all of it once on a bare display and once under openbox, an
EWMH window manager whose full screen covers one monitor. The options
dialog opens on the primary monitor."""

import time
import unittest

from lib.process import wait_for
from lib.session import SessionCase
from lib.xorg import OTHER, PRIMARY, TWO_MONITORS, XorgSession

FRAME_W, FRAME_H = 352.8, 564.4  # as in test_native_saver
CLASS = "vorlan-screen-saver-2"


class MonitorsTest(SessionCase):
    managed = False

    @classmethod
    def new_session(cls):
        return XorgSession()

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if cls.managed:
            cls.addClassCleanup(cls.session.start_window_manager().kill)

    def setUp(self):
        super().setUp()
        self.display.xrandr(*TWO_MONITORS.split())

    def covered(self, monitors):
        """(frame on each monitor) when each shows a whole frame alone on
        black, its centre on the monitor's; else None."""
        image = self.display.screenshot()
        frames = []
        for left, top, right, bottom in monitors:
            shown = self.frames.locate(image.crop(left, top, right, bottom))
            if not shown:
                return None
            frame, (x0, y0, x1, y1) = shown
            if abs(x0 + x1 - left - right) > 4 or abs(y0 + y1 - top - bottom) > 4 or \
                    abs(x1 - x0 - FRAME_W) > 3 or abs(y1 - y0 - FRAME_H) > 3:
                return None
            frames.append(frame)
        return frames

    def assert_covers(self, proc, monitors):
        """Each monitor covered, and by one window of the saver's alone."""
        wait_for(lambda: self.covered(monitors) or not proc.running(), 20,
                 what="the frames on %s" % (monitors,))
        self.assertTrue(proc.running(), proc.stderr_tail())
        wait_for(lambda: self.display.windows_on_screen(CLASS) == sorted(monitors), 20,
                 what="one window on each of %s" % (monitors,))

    def start_saver(self, x, y):
        self.display.mouse_move(x, y)
        proc = self.session.run("--fullscreen")
        self.assert_covers(proc, [OTHER, PRIMARY])
        return proc

    def test_each_monitor_shows_the_frames_centred_in_step_above_all(self):
        # Windows of another client on both monitors, which the saver hides.
        for x in (100, 2000):
            self.addCleanup(self.display.destroy_window, self.display.create_window(x, 100, 600,
                                                                                    400))
        self.display.set_resources("Xft.dpi:\t480\n")
        self.addCleanup(self.display.set_resources, None)
        proc = self.start_saver(400, 400)
        self.assertFalse(self.display.cursor_visible(), "the cursor shows over the saver")
        seen, deadline = [], time.monotonic() + 20
        while sum(1 for a, b in zip(seen, seen[1:]) if a and b and a != b) < 4:
            self.assertLess(time.monotonic(), deadline, seen)
            seen.append(self.covered([OTHER, PRIMARY]))
        in_step = [frames for frames in seen if frames and frames[0] == frames[1]]
        self.assertGreaterEqual(len(in_step), len(seen) - 1, seen)
        # Moves on the other monitor count in the form's coordinates, its
        # image's origin 320, 28 there: that point counts as no place yet; at
        # 3 twips a pixel a move of one stays under the 5 twips that end the
        # saver, and one of two does not.
        for x, stays in ((320, True), (322, True), (323, True), (325, False)):
            before = self.covered([OTHER])
            self.display.mouse_move(x, 28)
            if stays:
                wait_for(lambda: self.covered([OTHER]) not in (before, None), 10, what="a Tick")
                self.assertTrue(proc.running(), "a move to %d ended the saver" % x)
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())
        self.assertTrue(self.display.cursor_visible())

    def test_monitors_unplugged_and_plugged_are_let_go_and_covered(self):
        # The pointer on the form's monitor, its place recorded: the server
        # moves it off a monitor that goes, which is no move of the user's.
        proc = self.start_saver(2500, 500)
        before = self.covered([PRIMARY])
        self.display.mouse_move(2501, 500)
        wait_for(lambda: self.covered([PRIMARY]) not in (before, None), 10, what="a Tick")
        # xrandr moves what is left to the origin; the last step restores
        # the layout.
        steps = [("--output DUMMY1 --off", [OTHER]),
                 ("--output DUMMY1 --mode 1280x1024 --pos 1920x0", [OTHER, PRIMARY]),
                 ("--output DUMMY0 --off", [(0, 0, 1280, 1024)]),
                 ("--output DUMMY0 --mode 1920x1080 --pos 0x0 --output DUMMY1 --pos 1920x0",
                  [OTHER, PRIMARY])]
        for step, monitors in steps:
            with self.subTest(step=step):
                self.display.xrandr(*step.split())
                self.assertEqual(self.display.monitors(), monitors)
                self.assert_covers(proc, monitors)
        self.display.key("a")
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())
        self.assertEqual(self.display.windows_on_screen(CLASS), [])


class BareDisplayTest(MonitorsTest):

    def test_the_dialog_opens_centred_on_the_primary_monitor(self):
        proc = self.session.run("--settings")
        window = wait_for(lambda: self.display.windows_on_screen(CLASS), 30, what="the dialog")
        (left, top, right, bottom), = window
        self.assertLessEqual(abs(left + right - PRIMARY[0] - PRIMARY[2]), 2, window)
        self.assertLessEqual(abs(top + bottom - PRIMARY[1] - PRIMARY[3]), 2, window)
        # Without a window manager the keyboard goes where the pointer is.
        self.display.mouse_move((left + right) // 2, (top + bottom) // 2)
        self.display.key("alt+c")
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())


class WindowManagerTest(MonitorsTest):
    managed = True


del MonitorsTest  # its cases run in the two above

if __name__ == "__main__":
    unittest.main()
