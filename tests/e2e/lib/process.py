"""Plain processes for end-to-end tests: any program (native, or Wine's
loader) started with its own environment in a process group of its own,
waited for with deadlines and killed with its whole group.

Output goes to files, never to pipes: a child that the program starts
inherits its output, and a pipe that such a child holds open makes a reader
(or a close of the reader) block until the child ends."""

import ctypes
import os
import signal
import subprocess
import tempfile
import time

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def die_with_parent():
    """For preexec_fn: the child gets SIGKILL when the test process dies,
    even by a SIGKILL from CTest's timeout that leaves it no cleanup."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def wait_for(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate until it returns something true and returns that;
    raises TimeoutError naming `what` at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Program:
    """One started program. `stdin=True` gives it a pipe for send()."""

    def __init__(self, argv, env=None, cwd=None, stdin=False, logdir=None, pass_fds=()):
        self.argv = [str(a) for a in argv]
        logs = tempfile.mkdtemp(prefix="proc.", dir=logdir)
        self.stdout_path = os.path.join(logs, "stdout")
        self.stderr_path = os.path.join(logs, "stderr")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(
                self.argv, env=env, cwd=cwd, stdout=out, stderr=err,
                stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
                start_new_session=True, preexec_fn=die_with_parent, pass_fds=pass_fds)
        self.pid = self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit code, or None if the program still runs at the deadline."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        """Kills the program's whole group, also when the program itself has
        ended and left children behind. Never blocks for long."""
        try:
            os.killpg(self.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        self.wait(10)
        if self.proc.stdin:
            try:
                self.proc.stdin.close()
            except OSError:
                pass

    def send(self, line):
        if not self.running():
            raise RuntimeError("%s has ended; cannot send %r" % (self.argv[0], line))
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr_tail(self, lines=15):
        with open(self.stderr_path, "rb") as f:
            f.seek(max(0, os.path.getsize(self.stderr_path) - 8192))
            return "\n".join(f.read().decode("latin-1").splitlines()[-lines:])
