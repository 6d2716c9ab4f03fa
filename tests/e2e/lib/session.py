"""A session of end-to-end tests: a work folder, one private display and the
programs started on it, all ended by close() (also when the test run is
terminated); the native program's session; the base of test cases that
share one session."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from .display import Display
from .frames import Frames
from .process import Program, wait_for

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
MEDIA_DIR = os.path.join(ROOT, "resources", "media")
_WORK_ROOT = os.path.join(tempfile.gettempdir(), "vss-e2e-%d" % os.getuid())
ASOUNDRC = 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n'


def env_path(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError("%s is not set; run the end-to-end tests through ctest" % name)
    return value


def work_dir(name):
    """A new folder for this run; a later run removes it if this one is killed."""
    os.makedirs(_WORK_ROOT, exist_ok=True)
    for d in os.listdir(_WORK_ROOT):
        if not os.path.exists("/proc/" + d.split(".")[0]):
            shutil.rmtree(os.path.join(_WORK_ROOT, d), ignore_errors=True)
    return tempfile.mkdtemp(prefix="%d.%s." % (os.getpid(), name), dir=_WORK_ROOT)


class Session:

    def __init__(self, name, width=1920, height=1080, screens=1):
        self.name, self.width, self.height, self.screens = name, width, height, screens
        self.work = self.display = self.env = None
        self.programs = []

    def start(self):
        self.work = work_dir(self.name)
        _live.add(self)
        try:
            self.display = self.make_display()
            self.env = self.display.env
            self.prepare()
        except BaseException:
            self.close()
            raise
        return self

    def make_display(self):
        return Display(self.width, self.height, self.work, self.screens)

    def prepare(self):
        """What a kind of session sets up once its display runs."""

    def start_program(self, argv, program=Program, **kw):
        p = program(argv, **dict(dict(env=self.env, logdir=self.work), **kw))
        self.programs.append(p)
        return p

    def call(self, argv, timeout=60):
        """Runs a program to its end: its exit code and output."""
        p = self.start_program(argv)
        code = p.wait(timeout)
        p.kill()
        self.programs.remove(p)
        if code is None:
            raise TimeoutError("%s did not end in %d s" % (" ".join(argv), timeout))
        return code, p.stdout()

    def start_window_manager(self):
        """openbox, running until the session closes, once it manages
        windows: it announces itself before it takes map requests, and a
        window mapped in between is never managed."""
        manager = Program(["openbox", "--sm-disable"], env=self.env, logdir=self.work)

        def manages_a_window():
            probe = self.display.create_window(0, 0, 64, 64)
            try:
                wait_for(lambda: "_NET_FRAME_EXTENTS(" in self.display.xprop("-id", str(probe)),
                         3, what="openbox to manage a window")
                return True
            except TimeoutError:
                return False
            finally:
                self.display.destroy_window(probe)

        try:
            wait_for(lambda: "window id" in self.display.xprop("-root",
                                                               "_NET_SUPPORTING_WM_CHECK"),
                     30, what="openbox to announce itself")
            wait_for(manages_a_window, 120, interval=0, what="openbox to manage a window")
        except BaseException:
            manager.kill()
            raise
        return manager

    def end_programs(self):
        for p in self.programs:
            p.kill()
        self.programs = []

    def close(self):
        _live.discard(self)
        Session.end_programs(self)
        if self.display:
            self.display.close()
        if self.work:
            shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()


class NativeSession(Session):
    """The native program with a home and a runtime folder of its own.
    ALSA's file plug-in writes what is played to sound_path or, per_pid, to
    sounds/<pid>.raw, by the pid of the saver (the plug-in's pipe runs in its
    child). as_nobody: a login's environment only and, when the test is root,
    the user nobody (the XScreenSaver daemon starts no hack as root)."""

    def __init__(self, width=1920, height=1080, screens=1, per_pid=False, as_nobody=False,
                 program=None):
        super().__init__("native", width, height, screens)
        self.program = program or env_path("VSS_NATIVE")
        self.per_pid, self.as_nobody = per_pid, as_nobody
        self.as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] \
            if as_nobody and os.getuid() == 0 else []

    def prepare(self):
        self.home, self.run_dir, self.sounds = (os.path.join(self.work, d)
                                                for d in ("home", "run", "sounds"))
        for d in (self.home, self.run_dir, self.sounds):
            os.makedirs(d, mode=0o700)
        self.sound_path = os.path.join(self.work, "out.raw")
        os.chmod(self.work, 0o755)
        self.write_home(".asoundrc", ASOUNDRC % ("|cat >>%s/$PPID.raw" % self.sounds
                                                 if self.per_pid else self.sound_path))
        if self.as_user and subprocess.run(self.as_user + ["test", "-x", self.program]).returncode:
            self.program = self.reachable_copy()
        base = {"PATH": "/usr/bin:/bin", "DISPLAY": self.display.name} if self.as_nobody \
            else self.env
        self.env = dict(base, HOME=self.home, XDG_RUNTIME_DIR=self.run_dir,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"))

    def reachable_copy(self):
        """The program and its window-system modules where nobody may run
        them: a build in a folder only root enters (a clone under /root) is
        out of its reach."""
        folder = os.path.join(self.work, "program")
        modules = os.path.join(os.path.dirname(self.program), "modules")
        shutil.copytree(modules, os.path.join(folder, "modules"))
        shutil.copy2(self.program, folder)
        os.chmod(folder, 0o755)
        return os.path.join(folder, os.path.basename(self.program))

    def write_home(self, name, text):
        with open(os.path.join(self.home, name), "w") as f:
            f.write(text)
        if self.as_user:
            subprocess.run(["chown", "-R", "nobody:nogroup", self.home, self.run_dir,
                            self.sounds], check=True)

    def start_program(self, argv, program=Program, **kw):
        return super().start_program(self.as_user + list(argv), program, **kw)

    def run(self, *args, **kw):
        return self.start_program([self.program] + list(args), **kw)

    def sound_bytes(self):
        return os.path.getsize(self.sound_path) if os.path.exists(self.sound_path) else 0

    def sound(self):
        """Bytes played by the pid of the saver that played them (per_pid)."""
        return {int(f[:-4]): os.path.getsize(os.path.join(self.sounds, f))
                for f in os.listdir(self.sounds) if f.endswith(".raw")}


_live = set()


def _close_on_signal(signum, frame):
    # unittest would take SystemExit for a failing case and go on.
    for session in list(_live):
        session.close()
    os._exit(128 + signum)


signal.signal(signal.SIGTERM, _close_on_signal)
signal.signal(signal.SIGHUP, _close_on_signal)


class SessionCase(unittest.TestCase):
    """Cases that share one session, made by new_session(); each starts with
    no program running."""

    @classmethod
    def new_session(cls):
        return NativeSession()

    @classmethod
    def setUpClass(cls):
        cls.session = cls.new_session().start()
        cls.display, cls.frames = cls.session.display, Frames(MEDIA_DIR)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.addCleanup(self.session.end_programs)

    def shown(self, screen=0):
        """(frame, rect) when the screen shows a frame alone on black, else None."""
        return self.frames.locate(self.display.screenshot(screen=screen))

    def frames_alternate_centred(self, screen=0):
        """Screenshots until the frame has changed five times: (time, (frame,
        rect) or None) each, and the times of the changes. At most one may
        catch a frame half drawn; each frame lies in the middle of the screen."""
        seen, changes, deadline = [], [], time.monotonic() + 20
        while len(changes) < 5 and time.monotonic() < deadline:
            seen.append((time.monotonic(), self.shown(screen)))
            known = [(t, f[0]) for t, f in seen if f]
            changes = [t for (_, a), (t, b) in zip(known, known[1:]) if a != b]
        self.assertGreaterEqual(len(changes), 4, "frames seen: %s" % seen)
        self.assertLessEqual(sum(1 for _, f in seen if not f), 1,
                             "screenshots that show no frame alone on black: %s" % seen)
        for _, (frame, (left, top, right, bottom)) in filter(lambda s: s[1], seen):
            self.assertAlmostEqual(left + right, self.display.width, delta=4, msg=(frame, seen))
            self.assertAlmostEqual(top + bottom, self.display.height, delta=4, msg=(frame, seen))
        return seen, changes

    def dismiss(self, proc, how, what=None):
        """Ends a full-screen saver as a user does: a "key" (what: its
        keysym, "a" if none), a "click" (of button what, 1 if none) or a
        "move"."""
        if how == "key":
            self.display.key(what or "a")
        elif how == "click":
            self.display.click(what or 1)
        else:
            # The first move only records where the pointer is; a Tick later
            # it has been read, and a move of one pixel ends the saver.
            before = self.shown()
            self.display.mouse_move(400, 400)
            wait_for(lambda: self.shown() not in (before, None), 10, what="a Tick")
            self.assertTrue(proc.running(), "the first move ended the saver")
            self.display.mouse_move(401, 400)
