"""What the tests ask of the X server beyond screenshots and input
(lib.display): a host window for the preview, and the cursor's image
(XFixes). Xlib through ctypes."""

import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")

class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XCreateSimpleWindow.restype = ctypes.c_ulong
_x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                     ctypes.c_ulong]
for _name in ("XMapWindow", "XDestroyWindow"):
    getattr(_x11, _name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XFree.argtypes = [ctypes.c_void_p]
_xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
_xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]


class XClient:
    """One connection to the display named (":N")."""

    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display %s" % display)
        self.root = _x11.XDefaultRootWindow(self.dpy)

    def close(self):
        if self.dpy:
            _x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def create_window(self, x, y, width, height, background=0x203040):
        """A mapped top-level window, as a host's preview area; its id."""
        window = _x11.XCreateSimpleWindow(self.dpy, self.root, x, y, width, height, 0, 0,
                                          background)
        _x11.XMapWindow(self.dpy, window)
        _x11.XSync(self.dpy, 0)
        return window

    def destroy_window(self, window):
        _x11.XDestroyWindow(self.dpy, window)
        _x11.XSync(self.dpy, 0)

    def cursor_visible(self):
        """True when the cursor the server shows has a pixel that is not
        fully transparent."""
        cursor = _xfixes.XFixesGetCursorImage(self.dpy)
        if not cursor:
            raise RuntimeError("XFixesGetCursorImage failed")
        c = cursor.contents
        visible = any(c.pixels[i] >> 24 for i in range(c.width * c.height))
        _x11.XFree(cursor)
        return visible
