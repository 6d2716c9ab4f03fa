"""Wine's relay trace (WINEDEBUG=+timestamp,+pid,+relay), read from the file
a program's stderr goes to: the calls of the functions named in the
prefix's RelayInclude, with their arguments."""

import re

# An argument: text up to a comma outside a quoted string.
_ARG_RE = re.compile(r'(?:[^,"]|"(?:[^"\\]|\\.)*")+')
_CALL_RE = re.compile(r"^(?:(?P<stamp>\d+\.\d+):)?(?:(?P<pid>[0-9a-f]{4,8}):)?[0-9a-f]{4,8}:"
                      r"Call \w+\.(?P<func>\w+)\((?P<args>.*)\) ret=[0-9a-f]+$")


class Call:
    """One traced call: `func`, arguments as text, and `stamp`, Wine's own
    time of the call in seconds, which a busy reader cannot skew."""

    def __init__(self, m):
        self.stamp = float(m.group("stamp") or 0)
        self.pid = int(m.group("pid"), 16) if m.group("pid") else None
        self.func, self.args = m.group("func"), _ARG_RE.findall(m.group("args"))

    def arg_ptr(self, i):
        """Argument i as a signed 64-bit value (handles, pointers)."""
        value = int(self.args[i].split()[0], 16)
        return value - (1 << 64) if value >= 1 << 63 else value

    def arg_int(self, i):
        """Argument i as a signed 32-bit value; the trace prints whole
        registers, whose upper halves are garbage for 32-bit arguments."""
        value = int(self.args[i].split()[0], 16) & 0xFFFFFFFF
        return value - (1 << 32) if value >= 1 << 31 else value

    def arg_str(self, i):
        """Argument i as the string the trace shows, else None."""
        m = re.match(r'^(?:[0-9a-f]+ )?L?"(.*)"$', self.args[i])
        return m.group(1) if m else None

    def __repr__(self):
        return "%.3f %s(%s)" % (self.stamp, self.func, ",".join(self.args))


class Trace:
    """The calls in a growing trace file, up to its last whole line."""

    def __init__(self, path):
        self.path = path

    def calls(self, func=None, pid=None):
        with open(self.path, "rb") as f:
            lines = f.read().decode("latin-1").split("\n")[:-1]
        calls = [Call(m) for m in map(_CALL_RE.match, (l.rstrip("\r") for l in lines)) if m]
        return [c for c in calls
                if (func is None or c.func == func) and (pid is None or c.pid == pid)]

    def describe(self):
        return "\n".join(map(repr, self.calls())) or "(no traced calls)"
