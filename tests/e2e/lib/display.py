"""A private X display: one Xvfb (or another X server, xorg.py) on a
display number that is free, started and stopped by the test run (or a
display that is already there, by name);
screenshots read with XGetImage (any region, cheap enough to poll at 4K),
the cursor's image (XFixes), a plain window standing in for a host's, the
window manager's close request, the resource database; input through
xdotool. Knows nothing of Wine."""

import ctypes
import ctypes.util
import os
import select
import subprocess

from .process import die_with_parent

_x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
_xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
_P, _W, _I, _U = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint


def _declare(lib, name, restype, *argtypes):
    f = getattr(lib, name)
    f.restype, f.argtypes = restype, list(argtypes)


for _args in [("XOpenDisplay", _P, ctypes.c_char_p), ("XCloseDisplay", _I, _P),
              ("XRootWindow", _W, _P, _I), ("XFree", _I, _P), ("XSync", _I, _P, _I),
              ("XGetImage", _P, _P, _W, _I, _I, _U, _U, _W, _I),
              ("XCreateSimpleWindow", _W, _P, _W, _I, _I, _U, _U, _U, _W, _W),
              ("XMapWindow", _I, _P, _W), ("XDestroyWindow", _I, _P, _W),
              ("XInternAtom", _W, _P, ctypes.c_char_p, _I),

              ("XSendEvent", _I, _P, _W, _I, ctypes.c_long, _P)]:
    _declare(_x11, *_args)


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage.
    _fields_ = [(n, t) for n, t in zip(
        ("width", "height", "xoffset", "format", "data", "byte_order", "bitmap_unit",
         "bitmap_bit_order", "bitmap_pad", "depth", "bytes_per_line", "bits_per_pixel"),
        (_I, _I, _I, _I, _P) + (_I,) * 7)]


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", _W), ("pixels", ctypes.POINTER(_W))]


_declare(_xfixes, "XFixesGetCursorImage", ctypes.POINTER(_CursorImage), _P)


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", _I), ("serial", _W), ("send_event", _I), ("display", _P),
                ("window", _W), ("message_type", _W), ("format", _I), ("data", ctypes.c_long * 5),
                ("pad", ctypes.c_long * 12)]  # the rest of an XEvent


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

    def crop(self, left, top, right, bottom):
        """The part of the image in that screen rectangle."""
        return Image(right - left, bottom - top,
                     b"".join(self.row(y, left, right) for y in range(top, bottom)), left, top)

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


class Display:
    """An Xvfb of WIDTH x HEIGHT x 24 (`screens` of them, as X screens :N.0,
    :N.1, ...) with a white root window, so that whatever a program leaves
    uncovered shows; or, given `name`, that display as it is. `env` holds
    its DISPLAY."""

    def __init__(self, width=1920, height=1080, logdir=None, screens=1, name=None):
        self.width, self.height, self.server, self._x = width, height, None, None
        if name is None:
            name = self._start_server(logdir, screens)
        self.name, self.env = name, dict(os.environ, DISPLAY=name)
        self._x = _x11.XOpenDisplay(name.encode())
        if not self._x:
            self.close()
            raise RuntimeError("cannot open display " + name)

    def _start_server(self, logdir, screens):
        return self._launch(["Xvfb"] + [a for i in range(screens) for a in (
            "-screen", str(i), "%dx%dx24" % (self.width, self.height))], logdir, "xvfb.log")

    def _launch(self, argv, logdir, logname):
        """Starts the X server of argv, with a white root window, on a free
        display number; its name."""
        r, w = os.pipe()
        with open(os.path.join(logdir, logname) if logdir else os.devnull, "ab") as log:
            self.server = subprocess.Popen(
                argv + ["-displayfd", str(w), "-nolisten", "tcp", "-noreset", "-wr"],
                pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=log, start_new_session=True,
                preexec_fn=die_with_parent)
        os.close(w)
        # The server writes its display number once it takes connections (at
        # its end the pipe reads empty), and may write it again: the pipe
        # stays open as long as it runs, or that write would end it.
        self._displayfd = r
        number = os.read(r, 16).strip() if select.select([r], [], [], 30)[0] else b""
        if not number:
            self.close()
            raise RuntimeError("%s did not start" % argv[0])
        return ":" + number.decode()

    def close(self):
        if self._x:
            _x11.XCloseDisplay(self._x)
            self._x = None
        if self.server and self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait(timeout=10)
        if self.server:
            os.close(self._displayfd)
            self.server = None

    def screenshot(self, region=None, screen=0):
        """The screen, or the region (left, top, right, bottom) of it."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.width, x1), min(self.height, y1)
        ptr = _x11.XGetImage(self._x, _x11.XRootWindow(self._x, screen), x0, y0, x1 - x0, y1 - y0,
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

    def cursor_visible(self):
        """True when the cursor the server shows has a pixel that is not
        fully transparent."""
        cursor = _xfixes.XFixesGetCursorImage(self._x)
        if not cursor:
            raise RuntimeError("XFixesGetCursorImage failed")
        c = cursor.contents
        visible = any(c.pixels[i] >> 24 for i in range(c.width * c.height))
        _x11.XFree(cursor)
        return visible

    def create_window(self, x, y, width, height):
        """A mapped top-level window, as a host's preview area; its id."""
        window = _x11.XCreateSimpleWindow(self._x, _x11.XRootWindow(self._x, 0), x, y, width,
                                          height, 0, 0, 0x203040)
        _x11.XMapWindow(self._x, window)
        _x11.XSync(self._x, 0)
        return window

    def destroy_window(self, window):
        _x11.XDestroyWindow(self._x, window)
        _x11.XSync(self._x, 0)

    def set_resources(self, text):
        """The resource database that clients read; None: none."""
        subprocess.run(["xrdb", "-nocpp"] + (["-remove"] if text is None else []), input=text,
                       env=self.env, text=True, check=True, timeout=30)

    def request_close(self, window):
        """What a window manager sends for its close button or Alt+F4."""
        event = _ClientMessage(type=33, window=window, format=32,  # ClientMessage
                               message_type=_x11.XInternAtom(self._x, b"WM_PROTOCOLS", 0))
        event.data[0] = _x11.XInternAtom(self._x, b"WM_DELETE_WINDOW", 0)
        _x11.XSendEvent(self._x, window, 0, 0, ctypes.byref(event))
        _x11.XSync(self._x, 0)

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                              timeout=30).stdout

    def xprop(self, *args):
        return subprocess.run(["xprop"] + [str(a) for a in args], env=self.env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=30).stdout

    def mouse_move(self, x, y):
        # --sync waits for the pointer to arrive, for 15 s when it is there.
        if not self.xdotool("getmouselocation").startswith("x:%d y:%d " % (x, y)):
            self.xdotool("mousemove", "--sync", x, y)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", k)

    def click(self, button=1):
        self.xdotool("click", button)
