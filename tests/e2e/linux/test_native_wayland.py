"""The native saver on Wayland, on a headless sway with two outputs (the
second at scale 2) and no X display: what each output shows, how input ends
it, the one instance, SIGTERM, an output added while it runs, swayidle, a
locker's run over WAYLAND_SOCKET, the options dialog, and the X11-only
options without X."""

import json
import os
import signal
import socket
import time
import unittest

from lib.process import wait_for
from lib.session import SessionCase, env_path
from lib.wayland import OUTPUTS, WaylandSession

# The frame's HIMETRIC size taken as twips, 15 to a logical pixel.
FRAME_W, FRAME_H = 352.8, 564.4
CLIP_BYTES = 32000  # the chime's sound data
TITLE = "Vorlan Screen Saver 2"


class WaylandTest(SessionCase):

    @classmethod
    def new_session(cls):
        return WaylandSession()

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.sway = cls.display

    def shown(self, output="HEADLESS-1"):
        """(frame, rect) when the output shows a frame alone on black (and
        no cursor: the headless outputs draw it into their pixels)."""
        return self.frames.locate(self.sway.screenshot(output))

    def start_saver(self, **kw):
        proc = self.session.run("--fullscreen", **kw)
        wait_for(lambda: self.shown() or not proc.running(), 30, what="the first frame")
        self.assertTrue(proc.running(), proc.stderr_tail())
        return proc

    def ticks(self, count, output="HEADLESS-1"):
        """Waits until the output has shown count changes of frame; the
        frames seen with their rectangles."""
        seen = [self.shown(output)]
        wait_for(lambda: seen.append(self.shown(output)) or
                 sum(1 for a, b in zip(seen, seen[1:]) if a and b and a[0] != b[0]) >= count,
                 20, what="%d changes of frame on %s" % (count, output))
        return [s for s in seen if s]

    def assert_covered(self, output, width, height, scale):
        """Black, the frames alternating centred at the output's scale."""
        for frame, (left, top, right, bottom) in self.ticks(2, output):
            msg = (output, frame, (left, top, right, bottom))
            self.assertAlmostEqual(left + right, width, delta=2 * scale, msg=msg)
            self.assertAlmostEqual(top + bottom, height, delta=2 * scale, msg=msg)
            self.assertAlmostEqual(right - left, FRAME_W * scale, delta=3 * scale, msg=msg)
            self.assertAlmostEqual(bottom - top, FRAME_H * scale, delta=3 * scale, msg=msg)

    def assert_ends_silent(self, proc, code=0):
        self.assertEqual(proc.wait(20), code, proc.stderr_tail())
        self.assertEqual(proc.stderr_tail(), "")
        played = self.session.sound_bytes()
        time.sleep(0.5)
        self.assertEqual(self.session.sound_bytes(), played, "the chime plays on")

    def test_every_output_black_with_the_frames_centred_at_its_scale(self):
        self.assertNotIn("DISPLAY", self.session.env)
        proc = self.start_saver()
        for name, width, height, scale in OUTPUTS:
            self.assert_covered(name, width, height, scale)
        wait_for(lambda: self.session.sound_bytes() > 3 * CLIP_BYTES, 20, what="the chime to loop")
        self.assertTrue(proc.running())

    def test_a_key_a_click_and_a_move_each_end_it(self):
        for how in ("key", "click", "move"):
            with self.subTest(how=how):
                self.session.end_programs()
                proc = self.start_saver()
                before = self.session.sound_bytes()
                wait_for(lambda: self.session.sound_bytes() > before, 10, what="the chime")
                if how == "key":
                    wait_for(lambda: self.sway.key("a") or not proc.running(), 20, what="a key")
                elif how == "click":
                    self.sway.pointer("wait", 300, "click")
                else:
                    # The pointer's arrival over the saver only records where
                    # it is, as the system's first move does, and shows no
                    # cursor. Then a move of one pixel ends it.
                    self.session.start_program([env_path("VSS_VIRTUAL_POINTER"), "wait", 20000])
                    self.ticks(2)
                    self.assertTrue(proc.running(), "the pointer's arrival ended the saver")
                    self.sway.pointer("wait", 300, "move", 1, 0)
                self.assert_ends_silent(proc)

    def test_one_instance_while_it_lives(self):
        first = self.start_saver()
        second = self.session.run("--fullscreen")
        self.assertEqual(second.wait(20), 0)
        self.assertTrue(first.running())
        # The kernel lets the lock go with a killed process.
        first.kill()
        self.start_saver()

    def test_sigterm_ends_it_with_the_sound_stopped(self):
        proc = self.start_saver()
        wait_for(lambda: self.session.sound_bytes() > 0, 10, what="the chime")
        proc.proc.send_signal(signal.SIGTERM)
        self.assert_ends_silent(proc, -signal.SIGTERM)

    def test_an_output_added_is_covered_and_one_taken_away_let_go(self):
        proc = self.start_saver()
        self.sway.msg("create_output")
        names = [o["name"] for o in json.loads(self.sway.msg("-t", "get_outputs"))]
        added = next(n for n in names if n not in [o[0] for o in OUTPUTS])
        self.addCleanup(self.sway.msg, "output", added, "disable")
        self.assert_covered(added, 1920, 1080, 1)
        self.sway.msg("output", added, "disable")
        self.ticks(1)
        self.assertTrue(proc.running())

    def test_swayidle_starts_it(self):
        pidfile = os.path.join(self.session.run_dir, "saver.pid")
        command = "echo $$ >%s; exec %s --fullscreen" % (pidfile, self.session.program)
        idle = self.session.start_program(["swayidle", "-w", "timeout", "1", command])
        wait_for(lambda: self.shown() and os.path.exists(pidfile), 30, what="the saver")
        with open(pidfile) as f:
            saver = int(f.read())
        # Stopped first: the key is activity, after which it would start another.
        idle.kill()
        self.addCleanup(lambda: os.path.exists("/proc/%d" % saver) and os.kill(saver, 9))
        wait_for(lambda: self.sway.key("a") or not os.path.exists("/proc/%d" % saver), 20,
                 what="the saver to end on a key")

    def test_a_lockers_saver_over_wayland_socket_ignores_input_and_the_lock(self):
        idle = self.start_saver()
        locker = socket.socket(socket.AF_UNIX)
        locker.connect(self.sway.name)
        env = dict(self.session.env, WAYLAND_SOCKET=str(locker.fileno()))
        del env["WAYLAND_DISPLAY"]
        proc = self.session.run("--fullscreen", env=env, pass_fds=(locker.fileno(),))
        locker.close()
        self.ticks(2)
        self.assertTrue(proc.running(), proc.stderr_tail())
        idle.kill()
        for name, width, height, scale in OUTPUTS:
            self.assert_covered(name, width, height, scale)
        self.sway.key("a")
        self.sway.pointer("wait", 300, "move", 50, 50, "click")
        self.ticks(1)
        self.assertTrue(proc.running(), "input ended a locker's saver")
        proc.proc.send_signal(signal.SIGTERM)
        self.assert_ends_silent(proc, -signal.SIGTERM)

    def test_the_options_dialog_opens_without_x(self):
        proc = self.session.run("--settings")
        wait_for(lambda: TITLE in self.sway.msg("-t", "get_tree") or not proc.running(), 30,
                 what="the dialog")
        self.sway.msg('[title="%s"]' % TITLE, "kill")
        self.assertEqual(proc.wait(20), 0, proc.stderr_tail())

    def test_without_an_x_display_the_x11_ways_end_with_a_reason(self):
        for args, reason in ((["--root"], "--root and --window-id draw on X windows: cannot open"),
                             (["--window-id", "0x10"], "--root and --window-id draw on X"),
                             (["--backend", "x11"], "cannot open the X display")):
            with self.subTest(args=args):
                proc = self.session.run(*args)
                self.assertEqual(proc.wait(20), 1)
                self.assertIn(reason, proc.stderr_tail())


if __name__ == "__main__":
    unittest.main()
