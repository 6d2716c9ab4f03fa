"""An X display of several monitors on one X screen: Xorg with the dummy
driver, which has sixteen outputs, DUMMY0 to DUMMY15 (Xvfb reports one
monitor whatever `xrandr --setmonitor` says). Xorg runs as root. The
monitors are laid out, and read back, with xrandr; unplugging one with
`--off` sends RandR's change notification as a real unplug does."""

import os
import re
import subprocess

from .display import Display
from .session import NativeSession

_CONFIG = """Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 3840 2160
  EndSubSection
EndSection
"""

# Two monitors of different sizes, the primary one on the right.
TWO_MONITORS = ("--output DUMMY0 --mode 1920x1080 --pos 0x0 "
                "--output DUMMY1 --mode 1280x1024 --pos 1920x0 --primary")
PRIMARY = (1920, 0, 3200, 1024)
OTHER = (0, 0, 1920, 1080)


class XorgDisplay(Display):
    """Xorg on a free display number, laid out as TWO_MONITORS; `width` and
    `height` follow the screen's size as xrandr changes it."""

    def __init__(self, logdir):
        super().__init__(logdir=logdir)
        self.xrandr("--addmode", "DUMMY1", "1280x1024")
        self.xrandr(*TWO_MONITORS.split())

    def _start_server(self, logdir, screens):
        config = os.path.join(logdir, "xorg.conf")
        with open(config, "w") as f:
            f.write(_CONFIG)
        return self._launch(["Xorg", "-config", config, "-logfile",
                             os.path.join(logdir, "xorg.log")], logdir, "xorg.out")

    def xrandr(self, *args):
        subprocess.run(["xrandr"] + list(args), env=self.env, check=True, timeout=30)
        # A query that probes the outputs: until then the dummy driver calls
        # an output it shows disconnected, and GDK leaves such a monitor out.
        current = subprocess.run(["xrandr"], env=self.env, check=True, timeout=30,
                                 stdout=subprocess.PIPE, text=True).stdout
        self.width, self.height = map(int, re.search(r"current (\d+) x (\d+)", current).groups())

    def monitors(self):
        """RandR's monitors as (left, top, right, bottom), in order."""
        out = subprocess.run(["xrandr", "--listmonitors"], env=self.env, check=True, timeout=30,
                             stdout=subprocess.PIPE, text=True).stdout
        return sorted((x, y, x + w, y + h) for w, h, x, y in (map(int, m) for m in re.findall(
            r"^\s*\d+: \S+ (\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", out, re.M)))

    def windows_on_screen(self, classname):
        """Where the viewable windows of the class lie, those the screen
        shows part of, as (left, top, right, bottom)."""
        places = []
        for window in self.xdotool("search", "--onlyvisible", "--classname", classname,
                                   check=False).split():
            info = subprocess.run(["xwininfo", "-id", window], env=self.env, timeout=30,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True).stdout
            x, y, w, h = (int(re.search(key + r":\s+(-?\d+)", info).group(1)) for key in (
                "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
            if x < self.width and y < self.height and x + w > 0 and y + h > 0:
                places.append((x, y, x + w, y + h))
        return sorted(places)


class XorgSession(NativeSession):

    def make_display(self):
        return XorgDisplay(self.work)
