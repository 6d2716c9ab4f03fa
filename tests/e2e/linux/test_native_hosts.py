# The program as the Debian package installs it, run by the real hosts on
# Xvfb: the XScreenSaver daemon on two X screens (which it takes as two
# monitors; it starts no hack as root, so it runs as nobody when the test is
# root) and xsecurelock. Each saver's ALSA output goes to a file named by its
# pid (the file plug-in's pipe runs in the saver's child).

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "package"))

from deb_root import build_and_unpack  # noqa: E402
from session import MEDIA_DIR, Frames, wait_for  # noqa: E402
from lib.display import Display  # noqa: E402
from lib.process import Program  # noqa: E402

ASOUNDRC = 'pcm.!default { type file; slave.pcm "null"; file "|cat >>%s/$PPID.raw"; format "raw" }\n'
FORKED = re.compile(r'(\d+): forked "([^"]*)" in pid (\d+) on window (0x[0-9a-f]+)')
SETTINGS = ("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\ncycle: %s\n"
            "programs: %s --root --continuous --interval 5\n")
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []


# A temporary home (with the .asoundrc), runtime folder and sound folder for
# the user the host runs as, on a display of its own.
class Host:

    def __init__(self, screens):
        self.work = tempfile.mkdtemp(prefix="vss-host-")
        os.chmod(self.work, 0o755)
        self.pkg = build_and_unpack(os.environ["VSS_BUILD_DIR"], os.path.join(self.work, "deb"))
        self.home, self.run, self.sounds = (os.path.join(self.work, d) for d in ("home", "run", "sounds"))
        for d in (self.home, self.run, self.sounds):
            os.makedirs(d, mode=0o700)
        self.write(".asoundrc", ASOUNDRC % self.sounds)
        self.own(self.run, self.sounds)
        self.display = Display(800, 600, logdir=self.work, screens=screens)
        self.frames = Frames(MEDIA_DIR)
        self.env = ["env", "-i", "PATH=/usr/bin:/bin", "HOME=" + self.home,
                    "XDG_RUNTIME_DIR=" + self.run, "DISPLAY=" + self.display.name]
        self.programs = []

    def own(self, *paths):
        if AS_USER:
            subprocess.run(["chown", "-R", "nobody:nogroup"] + list(paths), check=True)

    def write(self, name, text):
        with open(os.path.join(self.home, name), "w") as f:
            f.write(text)
        self.own(self.home)

    def start(self, *argv):
        program = Program(AS_USER + self.env + list(argv), logdir=self.work)
        self.programs.append(program)
        return program

    def close(self):
        for p in self.programs:
            p.kill()
        self.display.close()
        shutil.rmtree(self.work, ignore_errors=True)

    def sound(self):  # bytes played, by the pid of the saver that played them
        return {int(os.path.basename(p)[:-4]): os.path.getsize(p)
                for p in glob.glob(os.path.join(self.sounds, "*.raw"))}

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


class XScreenSaverTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.host = Host(screens=2)
        cls.daemon = cls.host.start("xscreensaver", "-no-splash", "-verbose")

    @classmethod
    def tearDownClass(cls):
        cls.host.close()

    def command(self, what):
        return subprocess.run(AS_USER + self.host.env + ["xscreensaver-command", what],
                              capture_output=True, timeout=30).returncode == 0

    def forked(self):
        return FORKED.findall(read(self.daemon.stderr_path))

    def blank(self, cycle):  # activates with that cycle; the pids of the savers
        self.host.write(".xscreensaver", SETTINGS % (cycle, self.host.pkg.program))
        before = len(self.forked())
        wait_for(lambda: self.command("-activate"), 30, what="the daemon to blank")
        self.addCleanup(self.unblank)
        forked = wait_for(lambda: self.forked()[before:before + 2][1:] and self.forked()[before:],
                          30, what="two savers")[:2]
        self.assertEqual(sorted((s, c) for s, c, *_ in forked), [
            (s, "%s --root --continuous --interval 5" % self.host.pkg.program) for s in "01"])
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
        files = glob.glob(os.path.join(self.host.run, "*", "*"))
        kept = [k for k in files if "-schedule-" in k and ".new" not in k]
        return (all(os.path.basename(f).startswith(gfx + "-") for f in files) and len(kept) == 2
                and all(read(k).split()[-1:] == ["1"] for k in kept))

    def test_both_monitors_show_it_and_one_plays(self):
        savers = self.blank("0")
        for screen in (0, 1):
            self.assertIs(self.host.frames_centred(screen), True)
        wait_for(self.loop_stopped, 30, what="the loop of 5 s to end")
        self.assertEqual(len(self.host.sound()), 1, "more than one saver played")
        self.assertIn(list(self.host.sound())[0], savers)
        self.assertFalse(any(gone(pid) for pid in savers))

    def test_restarts_keep_a_finished_loop_finished(self):
        # The shortest cycle the daemon takes is 2 s: the 5 s loop only ends
        # if each restart goes on from where the last run was.
        self.blank("0:00:01")
        wait_for(self.loop_stopped, 60, what="the loop to end across restarts")
        played, restarts = self.host.sound(), len(self.forked())
        wait_for(lambda: len(self.forked()) >= restarts + 4, 60, what="two restarts per monitor")
        self.assertEqual(self.host.sound(), played)
        ends = [line for line in read(self.daemon.stderr_path).splitlines() if "exited" in line]
        self.assertIn("exited normally with SIGTERM", "".join(ends[-4:]))


class XSecureLockTest(unittest.TestCase):

    def test_saver_of_the_locker(self):
        host = Host(screens=1)
        self.addCleanup(host.close)
        # No key is pressed, so no authentication starts.
        locker = host.start("XSECURELOCK_SAVER=%s" % host.pkg.program, "xsecurelock")
        self.assertIs(host.frames_centred(0), True)
        (saver,) = wait_for(host.sound, 30, what="the chime")
        self.assertEqual(read("/proc/%d/cmdline" % saver), "%s\0-root\0" % host.pkg.program)
        locker.proc.terminate()
        self.assertIsNotNone(locker.wait(30), locker.stderr_tail())
        wait_for(lambda: gone(saver), 30, what="the saver to end with the locker")


if __name__ == "__main__":
    unittest.main()
