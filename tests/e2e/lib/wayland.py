"""A headless sway 1.7 for the native saver on Wayland: two outputs of
different sizes, the second at scale 2, a white background wherever no
client draws, run as the user nobody when the test is root (sway refuses
root) with a runtime folder of its own. Screenshots of one output (grim),
keys (wtype), a pointer (the virtual_pointer helper) and sway's commands
(swaymsg). Knows nothing of X: its env names no X display."""

import os
import re
import shutil
import subprocess

from .display import Image
from .process import Program, wait_for
from .session import ASOUNDRC, NativeSession, env_path

# Name, mode and scale: the second output is 800 x 600 logical pixels.
OUTPUTS = (("HEADLESS-1", 1920, 1080, 1), ("HEADLESS-2", 1600, 1200, 2))
AS_NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] \
    if os.getuid() == 0 else []


def read_ppm(data):
    """An Image of a binary PPM (grim's -t ppm)."""
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    width, height = int(header.group(1)), int(header.group(2))
    return Image(width, height, data[header.end():header.end() + width * height * 3])


class Sway:

    def __init__(self, work, outputs=OUTPUTS):
        self.outputs = outputs
        self.dir = os.path.join(work, "sway")
        os.makedirs(self.dir, mode=0o700)
        config = os.path.join(self.dir, "config")
        with open(config, "w") as f:
            left = 0
            for name, width, height, scale in outputs:
                f.write("output %s resolution %dx%d position %d,0 scale %d bg #ffffff solid_color\n"
                        % (name, width, height, left, scale))
                left += width // scale
        if AS_NOBODY:
            os.chmod(work, 0o755)
            subprocess.run(["chown", "-R", "nobody:nogroup", self.dir], check=True)
        self.sway = Program(AS_NOBODY + ["sway", "-c", config], logdir=work, env={
            "PATH": "/usr/bin:/bin", "HOME": self.dir, "XDG_RUNTIME_DIR": self.dir,
            "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1",
            "WLR_HEADLESS_OUTPUTS": str(len(outputs))})
        sockets = wait_for(lambda: self._sockets() or not self.sway.running(), 30,
                           what="sway's sockets")
        if not self.sway.running():
            raise RuntimeError("sway ended: " + self.sway.stderr_tail())
        self.name, ipc = sockets
        self.env = {"PATH": "/usr/bin:/bin", "WAYLAND_DISPLAY": self.name}
        self.tools_env = dict(self.env, XDG_RUNTIME_DIR=self.dir, SWAYSOCK=ipc)
        # swaybg has painted every output.
        wait_for(lambda: all(b"\xff" * 12 in self.screenshot(o[0]).data for o in outputs), 30,
                 what="the outputs' backgrounds")

    def _sockets(self):
        names = os.listdir(self.dir)
        wayland = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
        ipc = [n for n in names if n.startswith("sway-ipc.")]
        return wayland and ipc and tuple(os.path.join(self.dir, n[0]) for n in (wayland, ipc))

    def run(self, *argv, check=True):
        """A tool run to its end as sway's user: its output."""
        done = subprocess.run(AS_NOBODY + list(argv), env=self.tools_env, check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
        return done.stdout

    def screenshot(self, output, region=None):
        """The output in its own pixels (scale 2: twice the logical ones),
        with the cursor, which the headless outputs draw in; or the region
        (left, top, right, bottom) of the layout."""
        if region is None:
            return read_ppm(self.run("grim", "-t", "ppm", "-o", output, "-"))
        x0, y0, x1, y1 = region
        image = read_ppm(self.run("grim", "-t", "ppm", "-g", "%d,%d %dx%d" % (x0, y0, x1 - x0,
                                                                           y1 - y0), "-"))
        image.left, image.top = x0, y0
        return image

    def key(self, name):
        # wtype's keyboard exists only while it runs: a client binds it
        # when the seat gains it, which the pause leaves time for.
        self.run("wtype", "-s", "250", "-k", name)

    def pointer(self, *words):
        self.run(env_path("VSS_VIRTUAL_POINTER"), *map(str, words))

    def msg(self, *args):
        return self.run("swaymsg", *args).decode()

    def close(self):
        self.sway.kill()


class WaylandSession(NativeSession):
    """The native program's session on sway: its env names the compositor
    and no X display."""

    def __init__(self, outputs=OUTPUTS, **kw):
        super().__init__(as_nobody=True, **kw)
        self.as_user, self.outputs = AS_NOBODY, outputs

    def make_display(self):
        return Sway(self.work, self.outputs)

    def prepare(self):
        super().prepare()
        # In a folder that sway's user may write to.
        self.sound_path = os.path.join(self.sounds, "out.raw")
        self.write_home(".asoundrc", ASOUNDRC % self.sound_path)
        self.env.pop("DISPLAY")
        self.env.update(self.display.env)
        # The sanitizer build's settings reach the login-like environment,
        # their suppressions copied where the saver's user may read them (a
        # clone under /root is out of its reach).
        for key, value in os.environ.items():
            if key.endswith("SAN_OPTIONS"):
                self.env[key] = re.sub(r"(?<=suppressions=)[^:]+", self.readable_copy, value)

    def readable_copy(self, match):
        copy = os.path.join(self.work, os.path.basename(match.group(0)))
        shutil.copyfile(match.group(0), copy)
        os.chmod(copy, 0o644)
        return copy
