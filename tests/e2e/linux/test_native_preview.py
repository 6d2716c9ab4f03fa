"""The preview inside a host's window: stretched into it, silent, and ended
with the window."""

import unittest

from session import MEDIA_DIR, Frames, NativeSession, wait_for

LEFT, TOP, WIDTH, HEIGHT = 100, 80, 152, 112
AREA = (LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT)


class PreviewTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.session = NativeSession().start()
        cls.frames = Frames(MEDIA_DIR)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.addCleanup(self.session.end_programs)

    def test_stretched_into_the_host_and_ended_with_it(self):
        # xscreensaver-settings adds --window-id to the hack's --root.
        for args in (("--window-id",), ("--root", "--window-id")):
            with self.subTest(args=args):
                self.preview(args)

    def preview(self, args):
        host = self.session.client.create_window(LEFT, TOP, WIDTH, HEIGHT)
        proc = self.session.run(*args, hex(host))
        seen = set()

        def both_frames():
            image = self.session.display.screenshot(AREA)
            frame = self.frames.classify(image, AREA)
            if frame:
                seen.add(frame)
                image.save_png(self.session.artifact("native-preview-%d.png" % frame))
            return len(seen) == 2 or not proc.running()

        wait_for(both_frames, 30, what="both frames in the host")
        self.assertTrue(proc.running(), proc.stderr_tail())
        self.assertEqual(self.session.sound_bytes(), 0)
        self.assertTrue(self.session.client.cursor_visible())
        self.session.client.destroy_window(host)
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())

    def test_no_window_ends_quietly(self):
        for args in (("--window-id", "0x1fffff0"), ("/p",)):
            with self.subTest(args=args):
                proc = self.session.run(*args)
                self.assertEqual(proc.wait(20), 0)
                self.assertEqual(proc.stderr_tail(), "")


if __name__ == "__main__":
    unittest.main()
