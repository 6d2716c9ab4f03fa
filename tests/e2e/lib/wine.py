"""The saver under Wine: a session owns one private display, one Wine prefix
copied from the prepared template and one Wine server, and runs Windows
programs in it with their relay traces; the test helper (preview_host)
inspects windows from inside Wine; the registry is read and written with
`wine reg`. close() leaves nothing running."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import unittest

from .display import Display
from .process import Program, wait_for
from .trace import Trace

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
MEDIA_DIR = os.path.join(ROOT, "resources", "media")

APP_TITLE = "Vorlan Screen Saver 2"
FORM_CLASS = "ThunderRT5Form"
SETTINGS_KEY = r"HKCU\Software\Vorlan Screen Saver 2\Options"

# The calls that the tests read back from the relay trace.
RELAY_CALLS = ["user32.FindWindowA", "user32.ShowCursor", "user32.SetWindowPos",
               "user32.GetClientRect", "user32.CreateWindowExA", "user32.CreateWindowExW",
               "user32.MessageBoxA", "user32.MessageBoxW", "winmm.PlaySoundA",
               "winmm.PlaySoundW", "winmm.sndPlaySoundA"]
VISIBLE_EFFECTS = ("ShowCursor", "PlaySoundA", "PlaySoundW", "sndPlaySoundA", "MessageBoxA",
                   "MessageBoxW")

_WORK_ROOT = os.path.join(tempfile.gettempdir(), "vss-e2e-%d" % os.getuid())


def env_path(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError("%s is not set; run the end-to-end tests through ctest" % name)
    return value


def parse_window(line):
    """A window as the helper describes it: key=value pairs, text quoted."""
    out = {}
    for m in re.finditer(r'(\w+)=("([^"]*)"|\S+)', line):
        key, raw, text = m.groups()
        if text is not None:
            out[key] = text
        elif key in ("style", "exstyle"):
            out[key] = int(raw, 16)
        else:
            out[key] = tuple(map(int, raw.split(","))) if "," in raw else int(raw)
    return out


class WineProcess(Program):
    """A program under Wine; its stderr holds the relay trace when traced."""

    def __init__(self, session, exe, args, relay, stdin):
        env = dict(session.env, WINEDEBUG="+timestamp,+pid,+relay" if relay else "-all")
        super().__init__(["wine", exe] + list(args), env=env, cwd=session.work, stdin=stdin,
                         logdir=session.work)
        self.trace = Trace(self.stderr_path)
        self._replied = 0

    def wait_call(self, predicate, timeout, what):
        """The first traced call that satisfies predicate; fails at once,
        with the trace, when the program ends without making it."""
        def probe():
            running = self.running()
            call = next((c for c in self.trace.calls() if predicate(c)), None)
            if call or running:
                return call
            raise AssertionError("the program ended (code %s) without %s\ntrace:\n%s\n%s"
                                 % (self.proc.returncode, what, self.trace.describe(),
                                    self.stderr_tail()))
        return wait_for(probe, timeout, what=what)

    def read_reply(self, timeout=30):
        """The helper's lines up to its next "end" line."""
        def take():
            running = self.running()
            lines = self.stdout().splitlines()[self._replied:]
            if "end" in lines:
                i = lines.index("end")
                self._replied += i + 1
                return lines[:i] or ["(empty)"]
            if not running:
                raise RuntimeError("the helper ended: " + self.stderr_tail())
            return None
        return wait_for(take, timeout, what="the helper's reply")

    def ask(self, line, timeout=30):
        self.send(line)
        return self.read_reply(timeout)


class WineSession:

    def __init__(self, name="e2e", width=1920, height=1080):
        self.name, self.width, self.height = name, width, height
        self.scr = env_path("VSS_SCR")
        self.host = env_path("VSS_HOST")
        self.work = self.display = self.wineserver = self.env = None
        self._programs = []

    def start(self):
        os.makedirs(_WORK_ROOT, exist_ok=True)
        for d in os.listdir(_WORK_ROOT):  # left by runs that were killed
            if not os.path.exists("/proc/" + d.split(".")[0]):
                shutil.rmtree(os.path.join(_WORK_ROOT, d), ignore_errors=True)
        self.work = tempfile.mkdtemp(prefix="%d.%s." % (os.getpid(), self.name), dir=_WORK_ROOT)
        _live.add(self)
        try:
            self.display = Display(self.width, self.height, self.work)
            self.prefix = os.path.join(self.work, "prefix")
            subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), self.prefix],
                           check=True, stdout=subprocess.DEVNULL, timeout=600)
            self.env = {k: v for k, v in self.display.env.items() if not k.startswith("WINE")}
            self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                            WINEDLLOVERRIDES="mscoree,mshtml=")
            # A server of our own: Wine's service processes then stay up
            # between the programs instead of starting (traced) with each.
            self.wineserver = Program(["wineserver", "-f", "-p"], env=self.env,
                                      logdir=self.work)
            self.reg("add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                     "/d", ";".join(RELAY_CALLS), "/f")
        except BaseException:
            self.close()
            raise
        return self

    def close(self):
        _live.discard(self)
        for p in self._programs:
            p.kill()
        if self.env:
            stop = Program(["wineserver", "-k"], env=self.env, logdir=self.work)
            if stop.wait(60) is None:
                stop.kill()
        if self.wineserver:
            self.wineserver.kill()
        if self.env:
            self.kill_prefix_processes()
        if self.display:
            self.display.close()
        if self.work:
            shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    # -- programs

    def run(self, exe, *args, relay=False, stdin=False):
        p = WineProcess(self, exe, args, relay, stdin)
        self._programs.append(p)
        return p

    def saver(self, *args):
        """The saver, traced. Each argument is one word of its command line."""
        return self.run(self.scr, *args, relay=True)

    def helper(self, *args, timeout=60):
        """Runs the helper to its end: its exit code and output lines."""
        p = self.run(self.host, *args)
        code = p.wait(timeout)
        p.kill()
        self._programs.remove(p)
        if code is None:
            raise TimeoutError("the helper %s did not end in %d s" % (args, timeout))
        return code, p.stdout().splitlines()

    def end_programs(self):
        """Ends every program started, so that the next case starts clean."""
        for p in self._programs:
            p.kill()
        self._programs = []
        name = os.path.basename(self.scr)
        self.kill_prefix_processes(name)
        wait_for(lambda: not self.prefix_processes(name), 30,
                 what="the saver's leftover processes to end")

    def prefix_processes(self, name=None):
        """Pids of the live processes of this prefix, optionally only those
        whose command line holds `name`."""
        pids, mark = [], ("WINEPREFIX=" + self.prefix).encode()
        for d in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % d, "rb") as f:
                    if mark not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % d, "rb") as f:
                    cmdline = f.read().decode("latin-1")
                with open("/proc/%s/stat" % d) as f:
                    zombie = f.read().rsplit(")", 1)[1].split()[0] == "Z"
            except OSError:
                continue
            if not zombie and (name is None or name in cmdline):
                pids.append(int(d))
        return pids

    def kill_prefix_processes(self, name=None):
        for pid in self.prefix_processes(name):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass

    # -- windows as Windows sees them

    def find_window(self, cls=FORM_CLASS, caption=APP_TITLE):
        """FindWindowA's answer, described."""
        return parse_window(self.helper("find", cls, caption)[1][0])

    def wait_window(self, cls=FORM_CLASS, caption=APP_TITLE, timeout=60):
        def shown():
            w = self.find_window(cls, caption)
            return w if w["exists"] and w["visible"] else None
        return wait_for(shown, timeout, interval=0.2,
                        what="a visible %s window captioned %r" % (cls, caption))

    def handle(self, kind):
        """A window handle from the helper: "stale" (names no window) or "desktop"."""
        return int(self.helper(kind)[1][0])

    def controls(self, hwnd):
        """The child windows of a window, described."""
        return [parse_window(l) for l in self.helper("controls", str(hwnd))[1]]

    # -- registry

    def reg(self, *args):
        p = Program(["wine", "reg"] + list(args), env=self.env, logdir=self.work)
        code = p.wait(120)
        p.kill()
        if code is None:
            raise TimeoutError("wine reg %s did not end" % " ".join(args))
        return code, p.stdout()

    def reg_values(self, key=SETTINGS_KEY):
        """{name: data} of the key's values; {} when it does not exist."""
        code, out = self.reg("query", key)
        return {m.group(1): m.group(2) for m in
                re.finditer(r"^\s+(.+?)\s{4}REG_\w+\s{4}(.*?)\s*$", out, re.M)} if code == 0 else {}

    def store_settings(self, values=None):
        """Replaces the saver's stored options with the given texts."""
        self.reg("delete", SETTINGS_KEY, "/f")
        for name, data in (values or {}).items():
            self.reg("add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ", "/d", data, "/f")


_live = set()


def _close_on_signal(signum, frame):
    # unittest would take SystemExit for a failing case and go on.
    for session in list(_live):
        session.close()
    os._exit(128 + signum)


signal.signal(signal.SIGTERM, _close_on_signal)
signal.signal(signal.SIGHUP, _close_on_signal)


class SessionCase(unittest.TestCase):
    """Cases that share one session; each starts with no program running."""

    session = None

    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(cls.__name__).start()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.addCleanup(self.session.end_programs)

    def artifact(self, name):
        path = os.path.join(os.environ.get("VSS_ARTIFACT_DIR", self.session.work), name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def assertEndsQuietly(self, proc, what, timeout=30):
        code = proc.wait(timeout)
        self.assertIsNotNone(code, "%s still runs after %d s\ntrace:\n%s"
                             % (what, timeout, proc.trace.describe()))
        self.assertEqual(code, 0, "%s ended with code %s\n%s" % (what, code, proc.stderr_tail()))

    def assertNoUserVisibleEffect(self, proc, what):
        """No form window, no cursor change, no sound, no message box."""
        for c in proc.trace.calls():
            # Registered classes get atoms from 0xC000 up; below are the
            # system's own (Wine makes the desktop window on first use).
            if c.func.startswith("CreateWindowEx"):
                cls = c.arg_str(1)
                self.assertFalse(cls == FORM_CLASS or (cls is None and c.arg_ptr(1) >= 0xC000),
                                 "%s created a window: %r" % (what, c))
            self.assertNotIn(c.func, VISIBLE_EFFECTS, "%s called %r" % (what, c))
