"""The full-screen saver "/s" on a 1920 x 1080 display: its window, the
frames on screen, how input ends it, and the one instance. The order of its
start-up calls is the unit tests' matter."""

import unittest

from lib.process import wait_for
from lib.wine import WineCase

WS_CAPTION, WS_THICKFRAME, WS_EX_TOPMOST = 0x00C00000, 0x00040000, 0x00000008


def is_placement(c):
    return c.func == "SetWindowPos" and c.arg_ptr(1) == -1  # HWND_TOPMOST


class SaverTest(WineCase):

    def start(self):
        """Starts "/s" with the default options; returns once a frame shows."""
        self.session.store_settings()
        # The corner: a position of (0, 0) counts as none recorded yet.
        self.display.mouse_move(0, 0)
        proc = self.session.saver("/s")
        proc.wait_call(is_placement, 60, "the topmost placement")
        wait_for(self.shown, 30, what="a frame on screen")
        return proc

    def test_covers_the_screen_and_shows_the_frames_alternating_centred(self):
        proc = self.start()
        w = self.session.find_window()
        self.assertEqual(w["rect"], [0, 0, 1920, 1080])
        self.assertFalse(w["style"] & (WS_CAPTION | WS_THICKFRAME), w)
        self.assertTrue(w["exstyle"] & WS_EX_TOPMOST, w)
        seen, changes = self.frames_alternate_centred()
        self.assertTrue(proc.running())
        for _, (frame, (left, top, right, bottom)) in filter(lambda s: s[1], seen):
            self.assertAlmostEqual((right - left) / self.frames.width,
                                   (bottom - top) / self.frames.height, delta=0.03,
                                   msg="frame %d not scaled alike both ways" % frame)
        # Frames can come late, never early: the mean period, widened by the
        # largest gap between two screenshots at each end, is at least the
        # 500 ms Tick less a margin for the timer's granularity.
        gap = max(b[0] - a[0] for a, b in zip(seen, seen[1:]))
        self.assertGreaterEqual((changes[-1] - changes[0] + 2 * gap) / (len(changes) - 1), 0.45,
                                "frames change faster than every 500 ms: %s" % changes)

    def test_input_ends_it_showing_the_cursor_and_stopping_the_sound(self):
        for how in ("key", "click", "move"):
            with self.subTest(how=how):
                self.session.end_programs()
                proc = self.start()
                self.dismiss(proc, how)
                self.assertEndsQuietly(proc)
                self.assertEqual([c.arg_int(0) != 0 for c in proc.trace.calls("ShowCursor")],
                                 [False, True], "the cursor is not hidden, then shown once")
                self.assertEqual([c.arg_ptr(0) for c in proc.trace.calls("PlaySoundA")][-1], 0,
                                 "the sound is not stopped at the end")

    def test_a_second_instance_ends_at_once(self):
        # The instance check comes before the switch is read: the first
        # instance's mode does not matter.
        first = self.start()
        w = self.session.find_window()
        for again in (("/s",), ("/c",), ("/p", str(w["hwnd"]))):
            with self.subTest(again=again):
                second = self.session.saver(*again)
                self.assertEndsQuietly(second)
                # Ended by the instance check, before any search for a window.
                self.assertNoUserVisibleEffect(second)
                self.assertEqual(second.trace.calls("FindWindowA"), [])
                self.assertTrue(first.running(), "the first ended")

if __name__ == "__main__":
    unittest.main()
