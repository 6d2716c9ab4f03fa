# The program as the Debian package installs it: the package's files, its
# XScreenSaver panel against the program's options and the dialog's list of
# intervals, its icons, its menu entry, lintian; and the program run by the
# real hosts on Xvfb: the XScreenSaver daemon on two X screens (which it
# takes as two monitors; it starts no hack as root, so it runs as nobody
# when the test is root) and xsecurelock. Each saver's ALSA output goes to a
# file named by its pid.

import glob
import gzip
import os
import re
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

from lib.process import wait_for
from lib.session import ROOT, NativeSession, SessionCase, work_dir

NAME = "vorlan-screen-saver-2"
PROGRAM, DOC, ICONS = f"usr/libexec/xscreensaver/{NAME}", f"usr/share/doc/{NAME}", (16, 32, 48)
EXPECTED = {
    f"usr/bin/{NAME}",
    PROGRAM,
    f"usr/share/xscreensaver/config/{NAME}.xml",
    f"usr/share/applications/{NAME}.desktop",
    f"usr/share/man/man6/{NAME}.6.gz",
    f"usr/share/lintian/overrides/{NAME}",
    f"{DOC}/copyright",
    f"{DOC}/changelog.Debian.gz",
    f"{DOC}/changelog.gz",
    f"usr/lib/x86_64-linux-gnu/{NAME}/x11.so",
    f"usr/lib/x86_64-linux-gnu/{NAME}/wayland.so",
} | {f"usr/share/icons/hicolor/{n}x{n}/apps/{NAME}.png" for n in ICONS}
FORKED = re.compile(r'(\d+): forked "([^"]*)" in pid (\d+) on window (0x[0-9a-f]+)')
SETTINGS = ("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\ncycle: %s\n"
            "programs: %s --root --continuous --interval 5\n")
_work = None  # the package, built by cpack once, in out/, unpacked in root/


def setUpModule():
    global _work
    _work = Path(work_dir("deb"))
    os.chmod(_work, 0o755)  # for the user nobody
    config = Path(os.environ["VSS_BUILD_DIR"], "CPackConfig.cmake")
    subprocess.run(["cpack", "-G", "DEB", "--config", config, "-B", _work / "out"], check=True,
                   stdout=subprocess.DEVNULL)
    (deb,) = (_work / "out").glob("*.deb")
    subprocess.run(["dpkg-deb", "-x", deb, _work / "root"], check=True)


def tearDownModule():
    shutil.rmtree(_work, ignore_errors=True)


def switches_in(texts):
    return set(re.findall(r"(?<![\w-])--?[a-z][\w-]*", " ".join(texts)))


class PackageTest(unittest.TestCase):

    def setUp(self):
        self.root = _work / "root"
        self.program = self.root / PROGRAM

    def test_files_and_the_link_to_the_program(self):
        files = {str(p.relative_to(self.root)) for p in self.root.rglob("*")
                 if p.is_symlink() or p.is_file()}
        self.assertEqual(files, EXPECTED)
        link = self.root / "usr/bin" / NAME
        self.assertFalse(os.path.isabs(os.readlink(link)), "the link is not relative")
        self.assertEqual(link.resolve(), self.program.resolve())
        self.assertTrue(os.access(self.program, os.X_OK))

    def test_the_panel_offers_what_the_program_accepts_and_the_dialogs_intervals(self):
        panel = ET.parse(self.root / f"usr/share/xscreensaver/config/{NAME}.xml").getroot()
        self.assertEqual((panel.get("name"), panel.find("command").get("arg")), (NAME, "--root"))
        # Help is the one place where the program lists what it accepts.
        usage = subprocess.run([self.program, "--help"], stdout=subprocess.PIPE, text=True,
                               check=True)
        offered = switches_in([panel.find("command").get("arg")] + [
            o.get("arg-set") for o in panel.iter("option") if o.get("arg-set")])
        self.assertLessEqual(offered, switches_in([usage.stdout]))
        # The manual page names every option of the help, and no other.
        with gzip.open(self.root / f"usr/share/man/man6/{NAME}.6.gz", "rt") as f:
            manual = switches_in([f.read().replace("\\-", "-")])
        self.assertEqual({s for s in manual if s.startswith("--")},
                         {s for s in switches_in([usage.stdout]) if s.startswith("--")})
        for select in panel.iter("select"):  # one choice leaves the settings file in force
            self.assertEqual(sum(o.get("arg-set") is None for o in select), 1, select.get("id"))
        with open(os.path.join(ROOT, "settings", "intervals.h")) as f:
            dialog = re.findall(r'\{"([^"]+)", (\d+)\}', f.read())
        self.assertTrue(dialog)
        self.assertEqual([(o.get("_label"), o.get("arg-set"))
                          for o in panel.find("select[@id='interval']") if o.get("arg-set")],
                         [(text, f"--interval {int(ticks) // 2}") for text, ticks in dialog])

    def test_icons_menu_entry_and_lintian(self):
        for n in ICONS:
            # ImageMagick reads the whole image: a bad checksum or deflate stream fails.
            size = subprocess.run(["identify", "-format", "%wx%h", self.root /
                                   f"usr/share/icons/hicolor/{n}x{n}/apps/{NAME}.png"],
                                  capture_output=True, text=True)
            self.assertEqual((size.returncode, size.stdout), (0, f"{n}x{n}"))
        entry = subprocess.run(["desktop-file-validate",
                                self.root / f"usr/share/applications/{NAME}.desktop"],
                               capture_output=True, text=True)
        self.assertEqual((entry.returncode, entry.stdout.strip()), (0, ""))
        lint = subprocess.run(["lintian", "--fail-on", "error,warning",
                               *(_work / "out").glob("*.deb")], capture_output=True, text=True)
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)


class HostCase(SessionCase):
    """The packaged program under a host on a display of its own, each
    saver's sound in a file of its own."""
    screens = 1

    @classmethod
    def new_session(cls):
        return NativeSession(800, 600, cls.screens, per_pid=True, as_nobody=True,
                             program=str(_work / "root" / PROGRAM))

    def frames_on(self, screen):
        wait_for(lambda: self.shown(screen), 30, what="a frame on screen %d" % screen)
        self.frames_alternate_centred(screen)


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
            self.frames_on(screen)
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
        self.frames_on(0)
        (saver,) = wait_for(self.session.sound, 30, what="the chime")
        self.assertEqual(read("/proc/%d/cmdline" % saver), "%s\0-root\0" % program)
        locker.proc.terminate()
        self.assertIsNotNone(locker.wait(30), locker.stderr_tail())
        wait_for(lambda: gone(saver), 30, what="the saver to end with the locker")


if __name__ == "__main__":
    unittest.main()
