"""The native saver full screen on a 1920 x 1080 display: what it shows, its
sound through ALSA's file plug-in, silence without a sound device or with one
that blocks, how input ends it, the pixel size of the twips it measures a move
in, and the one instance: in a folder of the user's own, which another user's
files cannot take; and under a window manager that announces itself
(openbox)."""

import fcntl
import glob
import os
import signal
import subprocess
import time
import unittest

from lib.process import wait_for
from lib.session import ASOUNDRC, NativeSession, SessionCase

F_SETPIPE_SZ = 1031

# The frame's HIMETRIC size taken as twips, 15 to a pixel, as on Windows.
FRAME_W, FRAME_H = 352.8, 564.4
CLIP_BYTES = 32000  # the chime's sound data
# Keys that type a character and keys that do not, keys that have a virtual
# key on Windows and one that has none (Multi_key); each mouse button.
DISMISSALS = [("key", k) for k in ("a", "Escape", "KP_Begin", "XF86AudioMute",
                                   "XF86AudioLowerVolume", "Cancel", "Kanji", "Multi_key")] \
    + [("click", b) for b in (1, 2, 3)] + [("move", None)]


class SaverTest(SessionCase):

    def start_saver(self, **kw):
        # From the corner, where (0, 0) counts as no position recorded yet.
        self.display.mouse_move(0, 0)
        proc = self.session.run("--fullscreen", **kw)
        wait_for(lambda: self.shown() or not proc.running(), 30, what="the first frame")
        self.assertTrue(proc.running(), proc.stderr_tail())
        return proc

    def test_frames_alternate_centred_on_black_and_the_chime_loops(self):
        proc = self.start_saver()
        seen, _ = self.frames_alternate_centred()
        for _, (frame, (left, top, right, bottom)) in filter(lambda s: s[1], seen):
            self.assertAlmostEqual(right - left, FRAME_W, delta=3, msg=frame)
            self.assertAlmostEqual(bottom - top, FRAME_H, delta=3, msg=frame)
        self.assertFalse(self.display.cursor_visible(), "the cursor shows over the saver")
        wait_for(lambda: self.session.sound_bytes() > 3 * CLIP_BYTES, 20, what="the chime to loop")
        self.assertTrue(proc.running())

    def test_without_a_sound_device_silent_and_well(self):
        # A home without the .asoundrc, on a machine without a card.
        proc = self.start_saver(env=dict(self.session.env, HOME=self.session.work))
        self.display.key("Escape")
        self.assertEqual(proc.wait(20), 0)
        self.assertEqual(proc.stderr_tail(), "")

    def test_every_key_button_and_move_ends_it(self):
        # Another client has the keyboard focus, as a user's application would.
        self.display.xdotool("windowfocus", "--sync", self.display.create_window(0, 0, 10, 10))
        for how, what in DISMISSALS:
            with self.subTest(how=how, what=what):
                self.session.end_programs()
                proc = self.start_saver()
                before = self.session.sound_bytes()
                wait_for(lambda: self.session.sound_bytes() > before, 10, what="the chime")
                self.dismiss(proc, how, what)
                self.assertEqual(proc.wait(20), 0, proc.stderr_tail())
                self.assertEqual(proc.stderr_tail(), "")
                self.assertTrue(self.display.cursor_visible())
                # Nothing the saver started plays on.
                played = self.session.sound_bytes()
                time.sleep(0.5)
                self.assertEqual(self.session.sound_bytes(), played)

    def test_a_move_counts_in_the_twips_of_the_displays_resolution(self):
        # 480 pixels to the inch: 3 twips a pixel, so a move of one pixel is
        # under the 5 twips that end the saver, and one of two is not.
        self.display.set_resources("Xft.dpi:\t480\n")
        self.addCleanup(self.display.set_resources, None)
        proc = self.start_saver()
        for x, stays in ((400, True), (401, True), (403, False)):
            before = self.shown()
            self.display.mouse_move(x, 400)
            if stays:  # a Tick later the move has been read
                wait_for(lambda: self.shown() not in (before, None), 10, what="a Tick")
                self.assertTrue(proc.running(), "a move to %d ended the saver" % x)
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())

    def test_one_instance_while_it_lives(self):
        first = self.start_saver()
        # The dialog, which looks for no saver window of its own.
        second = self.session.run("--settings")
        self.assertEqual(second.wait(20), 0)
        self.assertTrue(first.running())
        # The kernel lets the lock go with a killed process.
        first.kill()
        self.start_saver()

    def env(self, **changes):
        """The session's environment without a cache folder, and changed."""
        env = {k: v for k, v in self.session.env.items() if k != "XDG_CACHE_HOME"}
        env.update(changes)
        return {k: v for k, v in env.items() if v is not None}

    def test_a_runtime_folder_of_someone_elses_is_not_used(self):
        # One that anybody may write to, and one of another user's, each
        # with a lock file there that another user holds.
        own = os.path.join(self.session.home, ".cache", "vorlan-screen-saver-2")
        for mode, owner in ((0o1777, os.getuid()), (0o755, 65534)):
            with self.subTest(mode=oct(mode), owner=owner):
                self.session.end_programs()
                shared = os.path.join(self.session.work, "shared-%o" % mode)
                os.makedirs(shared)
                lock = open(os.path.join(shared, "vorlan-screen-saver-2.lock"), "w")
                self.addCleanup(lock.close)
                fcntl.flock(lock, fcntl.LOCK_EX)
                os.chmod(shared, mode)
                os.chown(shared, owner, -1)
                self.start_saver(env=self.env(XDG_RUNTIME_DIR=shared))
                self.assertEqual(os.listdir(shared), ["vorlan-screen-saver-2.lock"])
                self.assertTrue(os.path.isfile(os.path.join(own, "instance.lock")))

    def test_without_a_runtime_folder_the_lock_and_the_hacks_files_are_apart_in_the_cache(self):
        env = self.env(XDG_RUNTIME_DIR=None)
        own = os.path.join(self.session.home, ".cache", "vorlan-screen-saver-2")
        first = self.start_saver(env=env)
        self.display.key("a")
        self.assertEqual(first.wait(20), 0)
        # A hack after a full-screen saver keeps its schedule; after a hack
        # the lock keeps a second program out (the dialog, which looks for
        # no saver window).
        host = self.display.create_window(0, 0, 640, 480)
        self.addCleanup(self.display.destroy_window, host)
        hack = self.session.run("--root", env=dict(env, XSCREENSAVER_WINDOW=hex(host)))
        wait_for(lambda: glob.glob(os.path.join(own, "*-schedule-*")) or not hack.running(), 20,
                 what="the hack's schedule")
        self.assertTrue(hack.running(), hack.stderr_tail())
        hack.proc.terminate()
        self.assertEqual(hack.wait(20), -signal.SIGTERM)
        first = self.start_saver(env=env)
        self.assertEqual(self.session.run("--settings", env=env).wait(20), 0)
        self.assertTrue(first.running())

    def test_a_sound_device_that_blocks_neither_delays_nor_holds_it(self):
        # ALSA's file plug-in on a FIFO: without a reader its open blocks,
        # with one that never reads its writes do, once the pipe is full.
        fifo = os.path.join(self.session.work, "fifo")
        os.mkfifo(fifo)
        home = os.path.join(self.session.work, "fifo-home")
        os.makedirs(home)
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write(ASOUNDRC % fifo)
        env = dict(self.session.env, HOME=home)
        # Ended by a key, or as a hack by its host taking its window.
        for reader, blocked_in, hack in ((False, "wait_for_partner", False),
                                         (True, "pipe_write", True)):
            with self.subTest(reader=reader, hack=hack):
                if reader:
                    fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
                    self.addCleanup(os.close, fd)
                    fcntl.fcntl(fd, F_SETPIPE_SZ, 4096)
                if hack:
                    host = self.display.create_window(0, 0, self.display.width,
                                                      self.display.height)
                    proc = self.session.run("--root", env=dict(env, XSCREENSAVER_WINDOW=hex(host)))
                    wait_for(lambda: self.shown() or not proc.running(), 30, what="a frame")
                else:
                    proc = self.start_saver(env=env)
                wait_for(lambda: blocked_in in self.waits(proc.pid), 20,
                         what="the sound to block in " + blocked_in)
                if hack:
                    self.display.destroy_window(host)
                else:
                    self.display.key("a")
                self.assertEqual(proc.wait(10), 0, self.waits(proc.pid))

    @staticmethod
    def waits(pid):
        """Where the threads of a process wait in the kernel."""
        return subprocess.run("cat /proc/%d/task/*/wchan" % pid, shell=True, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout


class WindowManagerTest(SessionCase):
    """Under openbox the saver asks for full screen above all (EWMH) rather
    than slipping past the manager, and still takes every key."""

    @classmethod
    def new_session(cls):
        return NativeSession(1024, 768)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.manager = cls.session.start_window_manager()

    @classmethod
    def tearDownClass(cls):
        cls.manager.kill()
        super().tearDownClass()

    @classmethod
    def output(cls, *argv):
        return subprocess.run(argv, env=cls.session.env, text=True, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout

    def test_full_screen_above_all_as_the_manager_places_it(self):
        self.display.mouse_move(0, 0)
        proc = self.session.run("--fullscreen")
        wait_for(lambda: self.shown() or not proc.running(), 30, what="the first frame")
        self.frames_alternate_centred()
        (window,) = self.display.xdotool("search", "--classname", "vorlan-screen-saver-2").split()
        self.assertIn("= _NET_WM_STATE_FULLSCREEN, _NET_WM_STATE_ABOVE\n",
                      self.output("xprop", "-id", window, "_NET_WM_STATE"))
        self.assertIn("Override Redirect State: no", self.output("xwininfo", "-id", window))
        self.dismiss(proc, "key", "Kanji")
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())
        self.assertTrue(self.display.cursor_visible())


if __name__ == "__main__":
    unittest.main()
