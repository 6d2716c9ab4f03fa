"""The saver under Wine: a session whose display runs one Wine prefix
copied from the prepared template and one Wine server, and Windows programs
in it with their relay traces; the test helper (preview_host) inspects
windows from inside Wine; the registry is read and written with `wine reg`."""

import json
import os
import re
import signal
import subprocess

from .process import Program, wait_for
from .session import ROOT, Session, SessionCase, env_path
from .trace import Trace

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


class WineProcess(Program):
    """A program under Wine; its stderr holds the relay trace when traced."""

    def __init__(self, *args, **kw):
        super().__init__(*args, **kw)
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


class WineSession(Session):

    scr = property(lambda self: env_path("VSS_SCR"))
    host = property(lambda self: env_path("VSS_HOST"))  # the test helper
    wineserver = None

    def prepare(self):
        self.prefix = os.path.join(self.work, "prefix")
        subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), self.prefix],
                       check=True, stdout=subprocess.DEVNULL, timeout=600)
        self.env = {k: v for k, v in self.env.items() if not k.startswith("WINE")}
        self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        # A server of our own: Wine's service processes then stay up
        # between the programs instead of starting (traced) with each.
        self.wineserver = Program(["wineserver", "-f", "-p"], env=self.env, logdir=self.work)
        self.reg("add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                 "/d", ";".join(RELAY_CALLS), "/f")

    def close(self):
        if self.wineserver:
            for p in self.programs:
                p.kill()
            stop = Program(["wineserver", "-k"], env=self.env, logdir=self.work)
            if stop.wait(60) is None:
                stop.kill()
            self.wineserver.kill()
            self.kill_prefix_processes()
        super().close()

    # -- programs

    def run(self, exe, *args, relay=False, stdin=False):
        return self.start_program(["wine", exe] + list(args), WineProcess, cwd=self.work,
                                  stdin=stdin, env=dict(self.env, WINEDEBUG=(
                                      "+timestamp,+pid,+relay" if relay else "-all")))

    def saver(self, *args):
        """The saver, traced. Each argument is one word of its command line."""
        return self.run(self.scr, *args, relay=True)

    def helper(self, *args):
        """Runs the helper to its end: its exit code and output lines."""
        code, out = self.call(["wine", self.host] + list(args))
        return code, out.splitlines()

    def end_programs(self):
        """Ends every program started, so that the next case starts clean."""
        super().end_programs()
        name = os.path.basename(self.scr)
        self.kill_prefix_processes(name)
        wait_for(lambda: not self.prefix_processes(name), 30,
                 what="the saver's leftover processes to end")

    def prefix_processes(self, name=""):
        """Pids of the live processes of this prefix whose command line holds `name`."""
        def read(pid, what):
            with open("/proc/%s/%s" % (pid, what), "rb") as f:
                return f.read()
        pids, mark = [], ("WINEPREFIX=" + self.prefix).encode()
        for d in filter(str.isdigit, os.listdir("/proc")):
            try:
                if (mark in read(d, "environ").split(b"\0") and name.encode() in read(d, "cmdline")
                        and read(d, "stat").rsplit(b")", 1)[1].split()[0] != b"Z"):
                    pids.append(int(d))
            except OSError:
                pass
        return pids

    def kill_prefix_processes(self, name=""):
        for pid in self.prefix_processes(name):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass

    # -- windows as Windows sees them

    def find_window(self, cls=FORM_CLASS, caption=APP_TITLE):
        """FindWindowA's answer, described, with the windows inside it as "controls"."""
        found = [json.loads(line) for line in self.helper("find", cls, caption)[1]]
        return dict(found[0], controls=found[1:])

    def wait_window(self, cls=FORM_CLASS, caption=APP_TITLE, timeout=60):
        def shown():
            w = self.find_window(cls, caption)
            return w if w["exists"] and w["visible"] else None
        return wait_for(shown, timeout, interval=0.2,
                        what="a visible %s window captioned %r" % (cls, caption))

    def handles(self):
        """A window handle that names no window, and the desktop window's."""
        return self.helper("handles")[1][0].split()

    # -- registry

    def reg(self, *args):
        return self.call(["wine", "reg"] + list(args), 120)

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


class WineCase(SessionCase):
    """Cases that share one Wine session."""

    @classmethod
    def new_session(cls):
        return WineSession(cls.__name__)

    def assertEndsQuietly(self, proc, timeout=30):
        self.assertEqual(proc.wait(timeout), 0, proc.trace.describe() + "\n" + proc.stderr_tail())

    def assertNoUserVisibleEffect(self, proc):
        """No form window, no cursor change, no sound, no message box."""
        for c in proc.trace.calls():
            # Registered classes get atoms from 0xC000 up; below are the
            # system's own (Wine makes the desktop window on first use).
            if c.func.startswith("CreateWindowEx"):
                cls = c.arg_str(1)
                self.assertFalse(cls == FORM_CLASS or (cls is None and c.arg_ptr(1) >= 0xC000),
                                 "a window: %r" % c)
            self.assertNotIn(c.func, VISIBLE_EFFECTS, repr(c))
