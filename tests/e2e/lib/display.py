"""A private X display: one Xvfb on a display number that is free, started
and stopped by the test run; screenshots read with XGetImage (any region,
cheap enough to poll at 4K); input through xdotool. Knows nothing of Wine."""

import ctypes
import ctypes.util
import os
import struct
import subprocess
import time
import zlib

from .process import die_with_parent

_x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Image:
    """RGB pixels, `left`/`top` giving where the image lies on the screen."""

    def __init__(self, width, height, data, left=0, top=0):
        self.width, self.height, self.data = width, height, data
        self.left, self.top = left, top

    def row(self, y, x0=None, x1=None):
        """Bytes of screen row y between screen columns x0 and x1."""
        x0 = self.left if x0 is None else x0
        x1 = self.left + self.width if x1 is None else x1
        i = ((y - self.top) * self.width - self.left) * 3
        return self.data[i + x0 * 3:i + x1 * 3]

    def region(self):
        return (self.left, self.top, self.left + self.width, self.top + self.height)

    def bbox_nonblack(self):
        """(left, top, right, bottom) in screen pixels of what is not pure
        black, right and bottom exclusive; None when all is black."""
        left = top = right = bottom = None
        for y in range(self.top, self.top + self.height):
            r = self.row(y)
            s = r.lstrip(b"\0")
            if not s:
                continue
            first = self.left + (len(r) - len(s)) // 3
            last = self.left + (len(r.rstrip(b"\0")) + 2) // 3
            top = y if top is None else top
            bottom = y + 1
            left = first if left is None else min(left, first)
            right = last if right is None else max(right, last)
        return None if top is None else (left, top, right, bottom)

    def count(self, colour):
        """Pixels of exactly this (r, g, b) colour."""
        return sum(1 for i in range(0, len(self.data), 3) if tuple(self.data[i:i + 3]) == colour)

    def save_png(self, path):
        def chunk(kind, payload):
            c = struct.pack(">I", len(payload)) + kind + payload
            return c + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)
        rows = b"".join(b"\0" + self.data[y * self.width * 3:(y + 1) * self.width * 3]
                        for y in range(self.height))
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "wb") as f:
            header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


class Display:
    """An Xvfb of WIDTH x HEIGHT x 24 with a white root window, so that
    whatever a program leaves uncovered shows. `env` holds its DISPLAY."""

    def __init__(self, width=1920, height=1080, logdir=None):
        self.width, self.height = width, height
        r, w = os.pipe()
        log = open(os.path.join(logdir, "xvfb.log") if logdir else os.devnull, "ab")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset", "-wr"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=log, start_new_session=True,
            preexec_fn=die_with_parent)
        log.close()
        os.close(w)
        os.set_blocking(r, False)
        buf, deadline = b"", time.monotonic() + 30
        while not buf.endswith(b"\n"):
            if time.monotonic() > deadline or self.xvfb.poll() is not None:
                os.close(r)
                self.close()
                raise RuntimeError("Xvfb did not start")
            try:
                buf += os.read(r, 16)
            except BlockingIOError:
                time.sleep(0.05)
        os.close(r)
        self.name = ":" + buf.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self._x = _x11.XOpenDisplay(self.name.encode())
        if not self._x:
            self.close()
            raise RuntimeError("cannot open display " + self.name)

    def close(self):
        if getattr(self, "_x", None):
            _x11.XCloseDisplay(self._x)
            self._x = None
        if self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(timeout=10)

    def screenshot(self, region=None):
        """The screen, or the region (left, top, right, bottom) of it."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.width, x1), min(self.height, y1)
        ptr = _x11.XGetImage(self._x, _x11.XDefaultRootWindow(self._x), x0, y0, x1 - x0, y1 - y0,
                             0xFFFFFFFF, 2)  # AllPlanes, ZPixmap
        if not ptr:
            raise RuntimeError("XGetImage failed")
        xi = _XImage.from_address(ptr)
        try:
            if xi.bits_per_pixel != 32 or xi.byte_order != 0:
                raise RuntimeError("expected 32-bit LSB-first pixels")
            w, h = xi.width, xi.height
            raw = ctypes.string_at(xi.data, xi.bytes_per_line * h)
            if xi.bytes_per_line != w * 4:
                raw = b"".join(raw[y * xi.bytes_per_line:y * xi.bytes_per_line + w * 4]
                               for y in range(h))
        finally:
            _x11.XFree(xi.data)
            _x11.XFree(ptr)
        rgb = bytearray(w * h * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]
        return Image(w, h, bytes(rgb), x0, y0)

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)

    def mouse_move(self, x, y):
        # --sync waits for the pointer to arrive, for 15 s when it is there.
        out = subprocess.run(["xdotool", "getmouselocation"], env=self.env, check=True,
                             stdout=subprocess.PIPE, text=True, timeout=30).stdout
        if not out.startswith("x:%d y:%d " % (x, y)):
            self.xdotool("mousemove", "--sync", x, y)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", k)

    def click(self, button=1):
        self.xdotool("click", button)
