"""The command line's own answers, and the saver with no sound device."""

import unittest

from session import MEDIA_DIR, Frames, NativeSession, wait_for


class CommandLineTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        # No .asoundrc and no card: ALSA has no device at all.
        cls.session = NativeSession(sound_file=False).start()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def test_help_version_and_unknown_option(self):
        for args, code in ((["--help"], 0), (["--version"], 0), (["--frobnicate"], 1)):
            with self.subTest(args=args):
                proc = self.session.run(*args)
                self.assertEqual(proc.wait(20), code)
                if code == 0:
                    self.assertTrue(proc.stdout().strip())
                    self.assertEqual(proc.stderr_tail(), "")
                else:
                    self.assertEqual(proc.stdout(), "")
                    self.assertEqual(len(proc.stderr_tail().splitlines()), 1)

    def test_saver_without_sound_device_is_silent_and_well(self):
        frames = Frames(MEDIA_DIR)
        proc = self.session.run("--fullscreen")
        wait_for(lambda: frames.locate(self.session.display.screenshot()) or not proc.running(),
                 30, what="the first frame")
        self.session.display.key("Escape")
        self.assertEqual(proc.wait(20), 0)
        self.assertEqual(proc.stderr_tail(), "")


if __name__ == "__main__":
    unittest.main()
