# The program as the Debian package installs it, run by the real hosts on
# Xvfb: the XScreenSaver daemon on two X screens (which it takes as two
# monitors; it starts no hack as root, so it runs as nobody when the test is
# root) and xsecurelock. Each saver's ALSA output goes to a file named by its
# pid (the file plug-in's pipe runs in the saver's child).

import glob
import os
import re
import shutil
import unittest

from deb_root import PROGRAM, build_and_unpack
from lib.process import wait_for
from lib.session import NativeSession, SessionCase, work_dir

FORKED = re.compile(r'(\d+): forked "([^"]*)" in pid (\d+) on window (0x[0-9a-f]+)')
SETTINGS = ("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\ncycle: %s\n"
            "programs: %s --root --continuous --interval 5\n")
_package = None


def setUpModule():
    global _package
    _package = work_dir("deb")
    os.chmod(_package, 0o755)  # for the user nobody
    build_and_unpack(os.environ["VSS_BUILD_DIR"], _package)


def tearDownModule():
    shutil.rmtree(_package, ignore_errors=True)


class HostCase(SessionCase):
    """The packaged program under a host on a display of its own, each
    saver's sound in a file of its own."""
    screens = 1

    @classmethod
    def new_session(cls):
        return NativeSession(800, 600, cls.screens, per_pid=True, as_nobody=True,
                             program=os.path.join(_package, "root", PROGRAM))

    # Whether each frame, once both have shown on that screen, lies in its
    # middle (within the rounding of a half-pixel centre).
    def frames_centred(self, screen):
        seen = {}

        def both():
            found = self.frames.locate(self.display.screenshot(screen=screen))
            if found:
                left, top, right, bottom = found[1]
                seen[found[0]] = ((left + right) / 2, (top + bottom) / 2)
            return len(seen) == 2
        wait_for(both, 30, what="both frames on screen %d" % screen)
        return all(abs(x - 400) <= 2 and abs(y - 300) <= 2 for x, y in seen.values()) or seen


def read(path):
    with open(path, "rb") as f:
        return f.read().decode(errors="replace")


def gone(pid):
    try:
        return read("/proc/%d/stat" % pid).split(") ")[-1][0] == "Z"
    except FileNotFoundError:
        return True


class XScreenSaverTest(HostCase):
    screens = 2

    def setUp(self):
        super().setUp()
        self.daemon = self.session.start_program(["xscreensaver", "-no-splash", "-verbose"])

    def command(self, what):
        return self.session.call(["xscreensaver-command", what], 30)[0] == 0

    def forked(self):
        return FORKED.findall(read(self.daemon.stderr_path))

    def blank(self, cycle):  # activates with that cycle; the pids of the savers
        self.session.write_home(".xscreensaver", SETTINGS % (cycle, self.session.program))
        before = len(self.forked())
        wait_for(lambda: self.command("-activate"), 30, what="the daemon to blank")
        self.addCleanup(self.unblank)
        forked = wait_for(lambda: self.forked()[before:before + 2][1:] and self.forked()[before:],
                          30, what="two savers")[:2]
        self.assertEqual(sorted((s, c) for s, c, *_ in forked), [
            (s, "%s --root --continuous --interval 5" % self.session.program) for s in "01"])
        return [int(pid) for *_, pid, _ in forked]

    def unblank(self):
        self.assertTrue(self.command("-deactivate"))
        pids = [int(pid) for *_, pid, _ in self.forked()]
        wait_for(lambda: all(gone(p) for p in pids), 30, what="every saver to end")
        log = read(self.daemon.stderr_path).splitlines()
        self.assertEqual([line for line in log if re.search("crash|abnormal", line)], [])

    # Both monitors' kept schedules of this blanking, and no other blanking's
    # files, are there; both say the loop has ended.
    def loop_stopped(self):
        gfx = re.findall(r"pid (\d+): launched xscreensaver-gfx", read(self.daemon.stderr_path))[-1]
        files = glob.glob(os.path.join(self.session.run_dir, "*", "*"))
        kept = [k for k in files if "-schedule-" in k and ".new" not in k]
        return (all(os.path.basename(f).startswith(gfx + "-") for f in files) and len(kept) == 2
                and all(read(k).split()[-1:] == ["1"] for k in kept))

    def test_both_monitors_show_it_and_one_plays(self):
        savers = self.blank("0")
        for screen in (0, 1):
            self.assertIs(self.frames_centred(screen), True)
        wait_for(self.loop_stopped, 30, what="the loop of 5 s to end")
        self.assertEqual(len(self.session.sound()), 1, "more than one saver played")
        self.assertIn(list(self.session.sound())[0], savers)
        self.assertFalse(any(gone(pid) for pid in savers))

    def test_restarts_keep_a_finished_loop_finished(self):
        # The shortest cycle the daemon takes is 2 s: the 5 s loop only ends
        # if each restart goes on from where the last run was.
        self.blank("0:00:01")
        wait_for(self.loop_stopped, 60, what="the loop to end across restarts")
        played, restarts = self.session.sound(), len(self.forked())
        wait_for(lambda: len(self.forked()) >= restarts + 4, 60, what="two restarts per monitor")
        self.assertEqual(self.session.sound(), played)
        ends = [line for line in read(self.daemon.stderr_path).splitlines() if "exited" in line]
        self.assertIn("exited normally with SIGTERM", "".join(ends[-4:]))


class XSecureLockTest(HostCase):

    def test_saver_of_the_locker(self):
        program = self.session.program
        # No key is pressed, so no authentication starts.
        locker = self.session.start_program(["xsecurelock"],
                                            env=dict(self.session.env, XSECURELOCK_SAVER=program))
        self.assertIs(self.frames_centred(0), True)
        (saver,) = wait_for(self.session.sound, 30, what="the chime")
        self.assertEqual(read("/proc/%d/cmdline" % saver), "%s\0-root\0" % program)
        locker.proc.terminate()
        self.assertIsNotNone(locker.wait(30), locker.stderr_tail())
        wait_for(lambda: gone(saver), 30, what="the saver to end with the locker")


if __name__ == "__main__":
    unittest.main()
