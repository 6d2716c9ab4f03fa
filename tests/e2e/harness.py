"""End-to-end harness: the real saver under Wine on a private virtual display.

A Session owns one Xvfb on a free display, one Wine prefix copied from the
prepared template and one persistent Wine server. It starts Windows programs
in it (optionally with Wine's relay trace of chosen API calls), waits for
conditions with deadlines, takes screenshots, sends input with xdotool and
reads and writes the registry. close() leaves nothing running: it ends every
program it started, the Wine server and the X server, and removes the prefix.

Python standard library only.
"""

import math
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import struct
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

APP_TITLE = "Vorlan Screen Saver 2"
FORM_CLASS = "ThunderRT5Form"
SETTINGS_KEY = r"HKCU\Software\Vorlan Screen Saver 2\Options"

# The calls the tests read back from the relay trace.
RELAY_CALLS = [
    "user32.FindWindowA",
    "user32.ShowCursor",
    "user32.SetWindowPos",
    "user32.SetParent",
    "user32.SetWindowLongA",
    "user32.SetWindowLongPtrA",
    "user32.GetClientRect",
    "user32.CreateWindowExA",
    "user32.CreateWindowExW",
    "user32.MessageBoxA",
    "user32.MessageBoxW",
    "gdi32.StretchDIBits",
    "gdi32.StretchBlt",
    "kernel32.FindResourceA",
    "kernel32.FindResourceW",
    "winmm.PlaySoundA",
    "winmm.PlaySoundW",
    "winmm.sndPlaySoundA",
]

SCREEN_W, SCREEN_H = 1920, 1080


def env_path(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError("%s is not set; run the end-to-end tests through ctest" % name)
    return value


def wait_for(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate until it returns something true; returns that value.
    Raises TimeoutError naming `what` when the deadline passes."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------- relay trace

_CALL_RE = re.compile(
    r"^(?:(?P<stamp>\d+\.\d+):)?(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):Call (?P<dll>[\w]+)\.(?P<func>\w+)"
    r"\((?P<args>.*)\) ret=[0-9a-f]+\s*$")
_RET_RE = re.compile(
    r"^(?:(?P<stamp>\d+\.\d+):)?(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):Ret  (?P<dll>[\w]+)\.(?P<func>\w+)"
    r"\(\) retval=(?P<retval>[0-9a-f]+) ret=[0-9a-f]+\s*$")


def split_args(text):
    """Splits a relay argument list at top-level commas; quoted strings
    (L"..." or "...") may hold commas."""
    args, cur, quoted, escaped = [], [], False, False
    for ch in text:
        if quoted:
            cur.append(ch)
            if escaped:
                escaped = False
            elif ch == "\\":
                escaped = True
            elif ch == '"':
                quoted = False
        elif ch == '"':
            quoted = True
            cur.append(ch)
        elif ch == ",":
            args.append("".join(cur))
            cur = []
        else:
            cur.append(ch)
    if cur or args:
        args.append("".join(cur))
    return args


class Call:
    """One traced API call: its name, arguments as text, the monotonic time
    at which the harness read it (`when`), and Wine's own time stamp of the
    call in seconds (`stamp`), which a busy reader cannot skew."""

    def __init__(self, when, stamp, pid, tid, dll, func, args):
        self.when, self.stamp, self.pid, self.tid = when, stamp, pid, tid
        self.dll, self.func, self.args = dll, func, args
        self.retval = None

    def arg_ptr(self, i):
        """Argument i as a 64-bit value (handles, pointers), signed."""
        value = int(self.args[i].split()[0], 16)
        return value - (1 << 64) if value >= 1 << 63 else value

    def arg_int(self, i):
        """Argument i as a signed 32-bit integer. The trace prints whole
        registers, whose upper halves are garbage for 32-bit arguments."""
        value = int(self.args[i].split()[0], 16) & 0xFFFFFFFF
        return value - (1 << 32) if value >= 1 << 31 else value

    def arg_str(self, i):
        """Argument i as a string when the trace shows one, else None."""
        m = re.match(r'^(?:[0-9a-f]+ )?L?"(.*)"$', self.args[i])
        return m.group(1) if m else None

    def __repr__(self):
        return "%s(%s)@%.3f" % (self.func, ",".join(self.args), self.when)


# ---------------------------------------------------------------- screenshots

class Image:
    """An RGB image: width, height and rows of packed bytes."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(raw):
        # Header: magic, width, height, maxval, each after whitespace.
        fields, pos = [], 0
        while len(fields) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos)
                continue
            end = pos
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[pos:end])
            pos = end
        pos += 1
        if fields[0] != b"P6":
            raise ValueError("not a binary PPM")
        width, height, maxval = int(fields[1]), int(fields[2]), int(fields[3])
        data = raw[pos:]
        if maxval > 255:
            data = bytes(data[0::2])  # big-endian 16-bit: keep the high bytes
        if len(data) < width * height * 3:
            raise ValueError("short PPM")
        return Image(width, height, bytes(data[:width * height * 3]))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def row(self, y, x0=0, x1=None):
        x1 = self.width if x1 is None else x1
        i = y * self.width * 3
        return self.data[i + x0 * 3:i + x1 * 3]

    def crop(self, x0, y0, x1, y1):
        rows = [self.row(y, x0, x1) for y in range(y0, y1)]
        return Image(x1 - x0, y1 - y0, b"".join(rows))

    def bbox_nonblack(self, region=None):
        """(left, top, right, bottom) of the pixels that are not pure black,
        right and bottom exclusive; None when all are black."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        left = top = right = bottom = None
        for y in range(y0, y1):
            r = self.row(y, x0, x1)
            s = r.lstrip(b"\0")
            if not s:
                continue
            first = (len(r) - len(s)) // 3
            last = (len(r.rstrip(b"\0")) - 1) // 3
            if top is None:
                top = y
            bottom = y + 1
            left = x0 + first if left is None else min(left, x0 + first)
            right = x0 + last + 1 if right is None else max(right, x0 + last + 1)
        if top is None:
            return None
        return (left, top, right, bottom)

    def save_png(self, path):
        def chunk(kind, payload):
            c = struct.pack(">I", len(payload)) + kind + payload
            return c + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)
        raw = b"".join(b"\0" + self.row(y) for y in range(self.height))
        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)


class Bitmap:
    """An 8-bit bottom-up BMP file as the resource carries it: pixels as
    colour indices (top-down here) and the colour table as RGB."""

    def __init__(self, path):
        with open(path, "rb") as f:
            raw = f.read()
        if raw[:2] != b"BM":
            raise ValueError("%s is not a BMP file" % path)
        off = struct.unpack_from("<I", raw, 10)[0]
        hsize, w, h, _, bpp = struct.unpack_from("<IiiHH", raw, 14)
        if bpp != 8 or h <= 0:
            raise ValueError("%s: expected an 8-bit bottom-up bitmap" % path)
        used = struct.unpack_from("<I", raw, 14 + 32)[0] or 256
        table = raw[14 + hsize:14 + hsize + 4 * used]
        self.palette = [(table[4 * i + 2], table[4 * i + 1], table[4 * i]) for i in range(used)]
        self.width, self.height = w, h
        stride = (w + 3) & ~3
        self.rows = [raw[off + (h - 1 - y) * stride:off + (h - 1 - y) * stride + w]
                     for y in range(h)]

    def index(self, x, y):
        return self.rows[y][x]

    def colour(self, x, y):
        return self.palette[self.rows[y][x]]

    def content_bbox(self):
        """Bounding box of the pixels that are not black, right/bottom exclusive."""
        black = {i for i, c in enumerate(self.palette) if c == (0, 0, 0)}
        xs, ys = [], []
        for y, r in enumerate(self.rows):
            cols = [x for x, v in enumerate(r) if v not in black]
            if cols:
                ys.append(y)
                xs.extend((cols[0], cols[-1]))
        return (min(xs), min(ys), max(xs) + 1, max(ys) + 1)


# ---------------------------------------------------------------- processes

class WineProcess:
    """One program running under Wine in the session's prefix. Its stdout
    lines and relay-traced calls are collected by reader threads."""

    def __init__(self, session, exe, args, relay, stdin):
        self.session = session
        self.exe, self.args = exe, list(args)
        env = dict(session.env)
        if relay:
            env["WINEDEBUG"] = "+timestamp,+pid,+relay"
        self.started = time.monotonic()
        self.proc = subprocess.Popen(
            ["wine", exe] + self.args, env=env, cwd=session.work,
            stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        self.pid = self.proc.pid
        self.calls = []
        self.stdout_lines = []
        self.stderr_tail = []
        self._cond = threading.Condition()
        self._threads = [
            threading.Thread(target=self._read_stdout, daemon=True),
            threading.Thread(target=self._read_stderr, daemon=True),
        ]
        for t in self._threads:
            t.start()
        session._processes.append(self)

    def _read_stdout(self):
        try:
            for raw in self.proc.stdout:
                line = raw.decode("latin-1").rstrip("\r\n")
                with self._cond:
                    self.stdout_lines.append(line)
                    self._cond.notify_all()
        except (OSError, ValueError):
            pass  # closed by kill()

    def _read_stderr(self):
        try:
            self._read_trace()
        except (OSError, ValueError):
            pass  # closed by kill()

    def _read_trace(self):
        pending = {}
        for raw in self.proc.stderr:
            now = time.monotonic()
            line = raw.decode("latin-1").rstrip("\r\n")
            m = _CALL_RE.match(line)
            if m:
                call = Call(now, float(m.group("stamp") or 0), m.group("pid"), m.group("tid"), m.group("dll"), m.group("func"),
                            split_args(m.group("args")))
                pending.setdefault((m.group("tid"), call.func), []).append(call)
                with self._cond:
                    self.calls.append(call)
                    self._cond.notify_all()
                continue
            m = _RET_RE.match(line)
            if m:
                stack = pending.get((m.group("tid"), m.group("func")))
                if stack:
                    stack.pop().retval = int(m.group("retval"), 16)
                continue
            self.stderr_tail.append(line)
            del self.stderr_tail[:-40]

    # -- state

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        """The exit code, or None when the process still runs at the deadline."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stays_running(self, seconds):
        """True when the process is still running after `seconds`: for
        checks that something does NOT end the program."""
        return self.wait_exit(seconds) is None

    def kill(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait(timeout=30)
        for t in self._threads:
            t.join(2)
        for f in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            if f:
                try:
                    f.close()
                except OSError:
                    pass

    # -- trace

    def trace(self, func=None, pid=None):
        with self._cond:
            calls = list(self.calls)
        if func:
            calls = [c for c in calls if c.func == func]
        if pid is not None:
            calls = [c for c in calls if c.pid is not None and int(c.pid, 16) == pid]
        return calls

    def wait_call(self, predicate, timeout, what="a traced call"):
        """The first traced call that satisfies predicate. Fails at once,
        with the trace, when the program ends without making it."""
        def find():
            with self._cond:
                for c in self.calls:
                    if predicate(c):
                        return c
            return None

        def probe():
            c = find()
            if c or self.running():
                return c
            self._threads[1].join(5)
            c = find()
            if c:
                return c
            raise AssertionError(
                "the program ended (code %s) without %s\ntrace:\n%s\nstderr:\n%s"
                % (self.proc.returncode, what, self.describe_trace(),
                   "\n".join(self.stderr_tail[-15:])))
        return wait_for(probe, timeout, what=what)

    def settle_trace(self):
        """After the program has ended: lets the reader take its last lines."""
        if not self.running():
            self._threads[1].join(5)

    def describe_trace(self):
        return "\n".join(repr(c) for c in self.trace()) or "(no traced calls)"

    # -- line protocol of the helper program

    def send(self, line):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def read_reply(self, timeout=30):
        """Lines up to the helper's "end" line."""
        def take():
            with self._cond:
                if "end" in self.stdout_lines:
                    i = self.stdout_lines.index("end")
                    reply = self.stdout_lines[:i]
                    del self.stdout_lines[:i + 1]
                    return reply or ["(empty)"]
            if not self.running():
                raise RuntimeError("helper ended: %s" % "\n".join(self.stderr_tail[-10:]))
            return None
        return wait_for(take, timeout, what="the helper's reply")

    def ask(self, line, timeout=30):
        self.send(line)
        return self.read_reply(timeout)


def parse_window(line):
    """key=value pairs of a window description line of the helper."""
    out = {}
    for m in re.finditer(r'(\w+)=("([^"]*)"|\S+)', line):
        out[m.group(1)] = m.group(3) if m.group(3) is not None else m.group(2)
    for k in ("hwnd", "parent", "owner", "pid", "tid", "exists", "visible", "toplevel", "count"):
        if k in out:
            out[k] = int(out[k])
    for k in ("style", "exstyle"):
        if k in out:
            out[k] = int(out[k], 16)
    if "rect" in out:
        out["rect"] = tuple(int(v) for v in out["rect"].split(","))
    for k in ("client", "origin"):
        if k in out:
            out[k] = tuple(int(v) for v in out[k].split(","))
    return out


# ---------------------------------------------------------------- session

class Session:
    def __init__(self, name="e2e", screen="%dx%dx24" % (SCREEN_W, SCREEN_H)):
        self.name = name
        self.screen = screen
        self.scr = env_path("VSS_SCR")
        self.host = env_path("VSS_HOST")
        self.source_dir = env_path("VSS_SOURCE_DIR")
        self.artifact_dir = os.environ.get("VSS_ARTIFACT_DIR") or os.path.join(
            tempfile.gettempdir(), "vss-e2e-artifacts")
        self.work = None
        self.xvfb = None
        self.wineserver = None
        self._processes = []
        self.env = None

    # -- lifetime

    def start(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def _start(self):
        _live_sessions.add(self)
        self.work = tempfile.mkdtemp(prefix="vss-e2e-%s." % self.name)
        self._start_xvfb()
        prefix = os.path.join(self.work, "prefix")
        subprocess.run([os.path.join(HERE, "..", "..", "scripts", "wine-prefix.sh"), prefix],
                       check=True, stdout=subprocess.DEVNULL)
        env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        env.update(WINEPREFIX=prefix, DISPLAY=self.display, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env = env
        self.prefix = prefix
        # A persistent server of our own: its pid is known, and Wine's
        # service processes stay up between the programs of a suite instead
        # of starting again (and joining a relay trace) with each of them.
        self.wineserver = subprocess.Popen(["wineserver", "-f", "-p"], env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                           start_new_session=True)
        self._start_guard()
        self.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(RELAY_CALLS))

    def _start_guard(self):
        """A watcher that cleans up if this process dies without close(), as
        when CTest kills a test at its timeout. It is detached (its shell
        parent exits at once), so a kill of this process tree misses it; it
        ends by itself once close() has removed the work directory."""
        script = (
            'while kill -0 %(pid)d 2>/dev/null && [ -d "%(work)s" ]; do sleep 1; done\n'
            '[ -d "%(work)s" ] || exit 0\n'
            'WINEPREFIX="%(prefix)s" wineserver -k\n'
            'kill %(server)d %(xvfb)d\n'
            'sleep 2\n'
            'rm -rf "%(work)s"\n'
            % dict(pid=os.getpid(), work=self.work, prefix=self.prefix,
                   server=self.wineserver.pid, xvfb=self.xvfb.pid))
        subprocess.run(["sh", "-c", "(%s) >/dev/null 2>&1 &" % script], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, start_new_session=True, check=True)

    def _start_xvfb(self):
        r, w = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", self.screen, "-nolisten", "tcp",
             "-noreset"], pass_fds=(w,), stdout=subprocess.DEVNULL,
            stderr=log, start_new_session=True)
        log.close()
        os.close(w)
        buf = b""
        deadline = time.monotonic() + 30
        with os.fdopen(r, "rb", buffering=0) as f:
            while not buf.endswith(b"\n"):
                if time.monotonic() > deadline or self.xvfb.poll() is not None:
                    raise RuntimeError("Xvfb did not start")
                chunk = f.read(16)
                if not chunk:
                    raise RuntimeError("Xvfb did not report a display")
                buf += chunk
        self.display = ":" + buf.decode().strip()

    def close(self):
        _live_sessions.discard(self)
        for p in self._processes:
            try:
                p.kill()
            except Exception:
                pass
        if self.env:
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
            except subprocess.TimeoutExpired:
                pass
        if self.wineserver:
            try:
                self.wineserver.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(self.wineserver.pid, signal.SIGKILL)
                self.wineserver.wait()
        for pid in self.prefix_processes() if getattr(self, "prefix", None) else []:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        if self.work:
            shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    # -- programs

    def run(self, exe, *args, relay=False, stdin=False):
        return WineProcess(self, exe, args, relay, stdin)

    def start_saver(self, *args, relay=True):
        return self.run(self.scr, *args, relay=relay)

    def helper(self, *args, stdin=False, relay=False):
        return self.run(self.host, *args, stdin=stdin, relay=relay)

    def helper_output(self, *args, timeout=60):
        p = self.helper(*args)
        code = p.wait_exit(timeout)
        if code is None:
            p.kill()
            raise TimeoutError("helper %s did not end" % (args,))
        p._threads[0].join(5)  # the last lines
        lines = list(p.stdout_lines)
        p.kill()  # closes its pipes
        self._processes.remove(p)
        return code, lines

    def end_programs(self):
        """Ends every program the tests started, so the next case starts clean."""
        for p in self._processes:
            p.kill()
        self._processes = [p for p in self._processes if p.running()]
        for pid in self.prefix_processes(self.scr_name()):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        wait_for(lambda: not self.prefix_processes(self.scr_name()), 30,
                 what="leftover saver processes to end")

    def scr_name(self):
        return os.path.basename(self.scr)

    def prefix_processes(self, name=None):
        """Unix pids of the processes of this prefix, optionally only those
        whose command line holds `name`."""
        pids = []
        for d in os.listdir("/proc"):
            if not d.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % d, "rb") as f:
                    environ = f.read().split(b"\0")
                if ("WINEPREFIX=" + self.prefix).encode() not in environ:
                    continue
                if name is not None:
                    with open("/proc/%s/cmdline" % d, "rb") as f:
                        cmdline = f.read().replace(b"\0", b" ").decode("latin-1")
                    if name not in cmdline:
                        continue
                # Zombies have ended already.
                with open("/proc/%s/stat" % d) as f:
                    if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                        continue
                pids.append(int(d))
            except (FileNotFoundError, ProcessLookupError, PermissionError):
                continue
        return pids

    # -- windows as Windows sees them

    def find_window(self, cls=FORM_CLASS, caption=APP_TITLE):
        code, lines = self.helper_output("find", cls, caption)
        line = next(l for l in lines if l.startswith("found "))
        return parse_window(line)

    def wait_window(self, cls=FORM_CLASS, caption=APP_TITLE, timeout=60, visible=True):
        def probe():
            w = self.find_window(cls, caption)
            if w["exists"] and (w.get("visible") or not visible):
                return w
            return None
        return wait_for(probe, timeout, interval=0.2,
                        what="a window of class %s captioned %r" % (cls, caption))

    def x_window_names(self):
        """Names of the mapped top-level X windows (what Wine shows)."""
        out = subprocess.run(["xwininfo", "-root", "-children"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             text=True).stdout
        return re.findall(r'^\s+0x[0-9a-f]+ "(.*)": \(', out, re.M)

    def stale_handle(self):
        code, lines = self.helper_output("stale")
        return int(next(l for l in lines if l.startswith("stale ")).split()[1])

    # -- screen and input

    def screenshot(self):
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=True).stdout
        return Image.from_ppm(raw)

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def mouse_location(self):
        out = subprocess.run(["xdotool", "getmouselocation"], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             text=True).stdout
        m = re.search(r"x:(-?\d+) y:(-?\d+)", out)
        return int(m.group(1)), int(m.group(2))

    def mouse_move(self, x, y):
        # --sync waits for the pointer to arrive, and for 15 s when it is
        # there already.
        if self.mouse_location() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", k)

    def click(self, button=1):
        self.xdotool("click", button)

    # -- registry

    def _reg(self, *args, check=True):
        # Files, not pipes: Wine's service processes that a command may start
        # inherit its output and would hold a pipe open long after it ends.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run(["wine", "reg"] + list(args), env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=120).returncode
            out.seek(0)
            err.seek(0)
            r = subprocess.CompletedProcess(args, code, out.read(), err.read())
        if check and r.returncode != 0:
            raise RuntimeError("wine reg %s failed: %s" % (" ".join(args),
                                                           r.stderr.decode("latin-1")[-500:]))
        return r

    def reg_add(self, key, name, value):
        self._reg("add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")

    def reg_delete_key(self, key=SETTINGS_KEY):
        self._reg("delete", key, "/f", check=False)

    def reg_values(self, key=SETTINGS_KEY):
        """{name: data} of the key's string values; {} when it does not exist."""
        r = self._reg("query", key, check=False)
        if r.returncode != 0:
            return {}
        values = {}
        for line in r.stdout.decode("latin-1").splitlines():
            m = re.match(r"^\s+(.+?)\s{4}(REG_\w+)(?:\s{4}(.*?))?\s*$", line)
            if m:
                values[m.group(1)] = m.group(3) or ""
        return values

    def store_settings(self, interval=None, random=None):
        """Replaces the saver's stored options with the given texts."""
        self.reg_delete_key()
        if interval is not None:
            self.reg_add(SETTINGS_KEY, "Delay Interval", interval)
        if random is not None:
            self.reg_add(SETTINGS_KEY, "Delay Random", random)

    # -- artifacts

    def artifact(self, name):
        os.makedirs(self.artifact_dir, exist_ok=True)
        return os.path.join(self.artifact_dir, name)


def media_path(source_dir, name):
    return os.path.join(source_dir, "resources", "media", name)


class FrameModel:
    """What the two committed frames look like when drawn into a rectangle
    (left, top, width, height in pixels, fractional): where their content
    lies, and how to tell which of the two a screenshot shows.

    The frames are dithered, so single pixels say little once scaled; the
    test compares mean colours of blocks of the area in which the frames
    differ, which a shift of a pixel or two hardly changes."""

    def __init__(self, source_dir, left, top, width, height, block_px=12):
        self.frames = {101: Bitmap(media_path(source_dir, "frame101.bmp")),
                       102: Bitmap(media_path(source_dir, "frame102.bmp"))}
        a, b = self.frames[101], self.frames[102]
        self.left, self.top = left, top
        self.sx, self.sy = width / a.width, height / a.height
        self.rect = (left, top, left + width, top + height)
        diff = [(x, y) for y in range(a.height) for x in range(a.width)
                if a.colour(x, y) != b.colour(x, y)]
        dx0, dx1 = min(x for x, _ in diff), max(x for x, _ in diff) + 1
        dy0, dy1 = min(y for _, y in diff), max(y for _, y in diff) + 1
        bw = max(2, math.ceil(block_px / self.sx))
        bh = max(2, math.ceil(block_px / self.sy))
        self.blocks = []
        for by in range(dy0, dy1 - bh + 1, bh):
            for bx in range(dx0, dx1 - bw + 1, bw):
                ma = self._mean(a, bx, by, bw, bh)
                mb = self._mean(b, bx, by, bw, bh)
                if sum(abs(u - v) for u, v in zip(ma, mb)) < 45:
                    continue
                x0, y0 = self.to_screen(bx, by)
                x1, y1 = self.to_screen(bx + bw, by + bh)
                self.blocks.append(((x0, y0, x1, y1), ma, mb))
        if len(self.blocks) < 4:
            raise ValueError("the frames have too few distinct areas to tell them apart")

    @staticmethod
    def _mean(bmp, x0, y0, w, h):
        tot = [0, 0, 0]
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                c = bmp.colour(x, y)
                tot[0] += c[0]
                tot[1] += c[1]
                tot[2] += c[2]
        n = w * h
        return (tot[0] / n, tot[1] / n, tot[2] / n)

    def to_screen(self, x, y):
        return (int(round(self.left + x * self.sx)), int(round(self.top + y * self.sy)))

    def content_bbox(self, frame):
        """Expected bounding box of the non-black pixels, right/bottom exclusive."""
        c0, r0, c1, r1 = self.frames[frame].content_bbox()
        return (self.left + c0 * self.sx, self.top + r0 * self.sy,
                self.left + c1 * self.sx, self.top + r1 * self.sy)

    def distances(self, image):
        """Mean colour distance of the screenshot's blocks to frame 101 and
        to frame 102."""
        da = db = 0.0
        for (x0, y0, x1, y1), ma, mb in self.blocks:
            tot = [0, 0, 0]
            for y in range(y0, y1):
                r = image.row(y, x0, x1)
                tot[0] += sum(r[0::3])
                tot[1] += sum(r[1::3])
                tot[2] += sum(r[2::3])
            n = max(1, (x1 - x0) * (y1 - y0))
            m = [t / n for t in tot]
            da += sum(abs(u - v) for u, v in zip(m, ma))
            db += sum(abs(u - v) for u, v in zip(m, mb))
        return da / len(self.blocks), db / len(self.blocks)

    def classify(self, image):
        """101 or 102 when the screenshot is clearly nearer to one frame
        (at most half the distance to the other), else None."""
        da, db = self.distances(image)
        if da <= 0.5 * db:
            return 101
        if db <= 0.5 * da:
            return 102
        return None


def saver_frame_model(source_dir, screen_w=SCREEN_W, screen_h=SCREEN_H):
    """The frame as the saver draws it: its HIMETRIC size at 96 pixels per
    inch taken as twips (15 to a pixel), centred in the screen."""
    bmp = Bitmap(media_path(source_dir, "frame101.bmp"))
    w_tw = round(bmp.width * 2540 / 96)
    h_tw = round(bmp.height * 2540 / 96)
    x_tw = (screen_w * 15 - w_tw) / 2
    y_tw = (screen_h * 15 - h_tw) / 2
    return FrameModel(source_dir, x_tw / 15, y_tw / 15, w_tw / 15, h_tw / 15)


def dark_pixels(image, region, threshold=60):
    """Number of pixels in region whose every channel is below threshold."""
    x0, y0, x1, y1 = region
    n = 0
    for y in range(y0, y1):
        r = image.row(y, x0, x1)
        for i in range(0, len(r), 3):
            if r[i] < threshold and r[i + 1] < threshold and r[i + 2] < threshold:
                n += 1
    return n


_live_sessions = set()


def _close_on_signal(signum, frame):
    # unittest would take SystemExit for a failing case and go on; a run
    # that is told to stop closes its sessions and stops.
    for session in list(_live_sessions):
        try:
            session.close()
        except Exception:
            pass
    os._exit(128 + signum)


signal.signal(signal.SIGTERM, _close_on_signal)
signal.signal(signal.SIGHUP, _close_on_signal)


class SessionCase(unittest.TestCase):
    """A test class whose cases share one Session: one X server, one Wine
    prefix. Each case starts from no running program."""

    session = None

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.__name__).start()

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.close()
            cls.session = None

    def setUp(self):
        self.addCleanup(self.session.end_programs)

    # -- assertions shared by the suites

    def assertEndsQuietly(self, proc, timeout=30, what=""):
        code = proc.wait_exit(timeout)
        self.assertIsNotNone(code, "%s still runs after %d s\ntrace:\n%s"
                             % (what or proc.args, timeout, proc.describe_trace()))
        proc.settle_trace()
        self.assertEqual(code, 0, "%s ended with code %s" % (what or proc.args, code))
        return code

    def form_windows_created(self, proc):
        """CreateWindowEx calls of the program that made a form window, or
        whose class the trace cannot name."""
        out = []
        for c in proc.trace():
            if c.func in ("CreateWindowExA", "CreateWindowExW"):
                cls = c.arg_str(1)
                # Atoms below 0xC000 are the system's own classes (Wine makes
                # the desktop window, #32769, on a process's first use of
                # user32); registered classes get atoms from 0xC000 up.
                if cls == FORM_CLASS or (cls is None and c.arg_ptr(1) >= 0xC000):
                    out.append(c)
        return out

    def assertNoUserVisibleEffect(self, proc, what):
        """No form window, no cursor change, no sound, no message box."""
        proc.settle_trace()
        self.assertEqual(self.form_windows_created(proc), [],
                         "%s created a form window" % what)
        for func in ("ShowCursor", "PlaySoundA", "PlaySoundW", "sndPlaySoundA",
                     "MessageBoxA", "MessageBoxW"):
            self.assertEqual(proc.trace(func), [], "%s called %s" % (what, func))
