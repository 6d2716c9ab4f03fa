"""The options dialog (GTK) driven by the keyboard alone on a private X
display without a window manager: what its keys store in the settings file,
what leaves the file alone, and that a dialog opened again shows what was
stored (checked through what its keys then store)."""

import configparser
import ctypes
import ctypes.util
import os
import shutil
import subprocess
import unittest

from session import NativeSession, wait_for

TITLE = "Vorlan Screen Saver 2"
INTERVAL, RANDOM = "Delay Interval", "Delay Random"
CLOSE = "close"  # not a key: the window manager's close request

# Keys on a dialog opened on an empty store, and what the store holds
# after ({}: nothing). The defaults are continuous play for 60 seconds
# ("60 (1 Minute)", 120 ticks); the next items are 300 s (600) and 600 s.
CASES = [
    # Esc is bound to nothing; Enter on an option button presses "&Ok".
    ("--settings", ("Escape", "alt+r", "Return"), {INTERVAL: "120", RANDOM: "-1"}),
    ("/c", ("alt+i", "alt+e", "Down", "alt+o"), {INTERVAL: "600", RANDOM: "0"}),
    # Tab order: option, list, Ok, Cancel, Defaults; space presses the
    # focused "&Defaults", Enter the focused "&Ok".
    ("--settings", ("Tab", "Down", "Tab", "Tab", "Tab", "space", "shift+Tab", "shift+Tab",
                    "Return"), {INTERVAL: "120", RANDOM: "0"}),
    # Enter on the focused "&Cancel" presses it, not the default button.
    ("--settings", ("alt+e", "Down", "Tab", "Tab", "Return"), {}),
    ("--settings", ("alt+r", "alt+c"), {}),
    ("--settings", ("alt+r", CLOSE), {}),
]

# Each dialog opens on what the one before stored, and its keys move from
# there: the list's item, its enabled state and the option all show.
REOPENED = [
    (("alt+e", "Down", "Down", "alt+o"), {INTERVAL: "1200", RANDOM: "0"}),
    # Enter from the list presses "&Ok".
    (("alt+e", "Down", "Return"), {INTERVAL: "1800", RANDOM: "0"}),
    (("alt+r", "alt+o"), {INTERVAL: "1800", RANDOM: "-1"}),
    # With random play the list is disabled: Alt+E leaves the focus on the
    # checked option, where Down chooses the other one.
    (("alt+e", "Down", "Return"), {INTERVAL: "1800", RANDOM: "0"}),
    (("alt+r", "alt+c"), {INTERVAL: "1800", RANDOM: "0"}),
    # Alt+S takes the focus from the list to the checked option, where
    # space changes nothing (on the other option it would choose that).
    (("Tab", "alt+s", "space", "alt+o"), {INTERVAL: "1800", RANDOM: "0"}),
]

_x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XInternAtom.restype = ctypes.c_ulong
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def request_close(display_name, window):
    """What a window manager sends for its close button or Alt+F4."""
    x = _x11.XOpenDisplay(display_name.encode())
    try:
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = _x11.XInternAtom(x, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = _x11.XInternAtom(x, b"WM_DELETE_WINDOW", 0)
        _x11.XSendEvent(x, window, 0, 0, ctypes.byref(event))
        _x11.XFlush(x)
    finally:
        _x11.XCloseDisplay(x)


class DialogTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.session = NativeSession(1024, 768, sound_file=False).start()
        cls.display = cls.session.display
        cls.config = cls.session.env["XDG_CONFIG_HOME"]

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        shutil.rmtree(self.config, ignore_errors=True)

    def stored(self):
        """The [Options] of the settings file; {} when there is none."""
        ini = configparser.ConfigParser(interpolation=None)
        ini.optionxform = str  # keys keep their case
        ini.read(os.path.join(self.config, "vorlan-screen-saver-2", "settings.ini"))
        return dict(ini["Options"]) if ini.has_section("Options") else {}

    def window(self):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE],
                             env=self.display.env, stdout=subprocess.PIPE, text=True,
                             timeout=30).stdout.split()
        return int(out[0]) if len(out) == 1 else None

    def geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)],
                             env=self.display.env, stdout=subprocess.PIPE, text=True,
                             timeout=30).stdout
        g = dict(line.split("=", 1) for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def run_dialog(self, switch, keys):
        """Opens the dialog, presses the keys, waits for the program to end
        and returns what the store holds."""
        proc = self.session.run(switch)
        self.addCleanup(self.session.end_programs)
        try:
            window = wait_for(self.window, 30, what="the dialog's window")
            x, y, width, height = self.geometry(window)
            self.assertLessEqual(abs(2 * x + width - self.display.width), 2, "centred")
            self.assertLessEqual(abs(2 * y + height - self.display.height), 2, "centred")
            # Without a window manager the keyboard focus follows the pointer.
            self.display.mouse_move(x + width // 2, y + height // 2)
            for key in keys:
                if key == CLOSE:
                    request_close(self.display.name, window)
                else:
                    self.display.key(key)
            self.assertEqual(proc.wait(20), 0, "the dialog should end after %s" % (keys,))
        except (TimeoutError, AssertionError):
            print(proc.stderr_tail())
            raise
        self.assertIsNone(self.window(), "no window is left")
        return self.stored()

    def test_keys_store_what_the_dialog_shows_or_nothing(self):
        for switch, keys, after in CASES:
            with self.subTest(switch=switch, keys=keys):
                shutil.rmtree(self.config, ignore_errors=True)
                self.assertEqual(self.run_dialog(switch, keys), after)

    def test_the_dialog_opens_on_what_was_stored(self):
        for keys, after in REOPENED:
            with self.subTest(keys=keys):
                self.assertEqual(self.run_dialog("--settings", keys), after)


if __name__ == "__main__":
    unittest.main()
