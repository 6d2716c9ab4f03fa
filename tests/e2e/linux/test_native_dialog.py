"""The options dialog (GTK) driven by the keyboard alone on a private X
display without a window manager: what its keys store in the settings file,
what leaves the file alone, that a dialog opened again shows what was
stored (checked through what its keys then store), and a save that fails."""

import configparser
import os
import shutil
import unittest

from lib.process import wait_for
from lib.session import NativeSession, SessionCase

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

class DialogTest(SessionCase):

    @classmethod
    def new_session(cls):
        return NativeSession(1024, 768)

    def setUp(self):
        super().setUp()
        self.config = self.session.env["XDG_CONFIG_HOME"]
        shutil.rmtree(self.config, ignore_errors=True)

    def stored(self):
        """The [Options] of the settings file; {} when there is none."""
        ini = configparser.ConfigParser(interpolation=None)
        ini.optionxform = str  # keys keep their case
        ini.read(os.path.join(self.config, "vorlan-screen-saver-2", "settings.ini"))
        return dict(ini["Options"]) if ini.has_section("Options") else {}

    def windows(self):
        return [int(w) for w in self.display.xdotool("search", "--onlyvisible", "--name",
                                                     "^%s$" % TITLE, check=False).split()]

    def window(self):
        out = self.windows()
        return out[0] if len(out) == 1 else None

    def point_at(self, window):
        """Moves the pointer to the window's middle, which gives it the
        keyboard focus without a window manager; its x, y, width, height."""
        g = dict(l.split("=") for l in self.display.xdotool("getwindowgeometry", "--shell",
                                                             window).split())
        x, y, width, height = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.display.mouse_move(x + width // 2, y + height // 2)
        return x, y, width, height

    def run_dialog(self, switch, keys):
        """Opens the dialog, presses the keys, waits for the program to end
        and returns what the store holds."""
        self.session.end_programs()  # what a failed case left
        proc = self.session.run(switch)
        try:
            window = wait_for(self.window, 30, what="the dialog's window")
            x, y, width, height = self.point_at(window)
            self.assertLessEqual(abs(2 * x + width - self.display.width), 2, "centred")
            self.assertLessEqual(abs(2 * y + height - self.display.height), 2, "centred")
            for key in keys:
                if key == CLOSE:
                    self.display.request_close(window)
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

    def test_a_save_stopped_by_the_file_size_limit_says_so_and_keeps_the_old_file(self):
        # A full disk, as the limit gives it even to root: the program's own
        # save path, with the signal that the limit sends as it is set.
        folder = os.path.join(self.config, "vorlan-screen-saver-2")
        os.makedirs(folder)
        old = "[Options]\nDelay Interval=600\nDelay Random=0\n"
        with open(os.path.join(folder, "settings.ini"), "w") as f:
            f.write(old)
        proc = self.session.start_program(["prlimit", "--fsize=10", self.session.program,
                                           "--settings"])
        dialog = wait_for(self.window, 30, what="the dialog's window")
        self.point_at(dialog)
        self.display.key("alt+r", "alt+o")
        box = wait_for(lambda: [w for w in self.windows() if w != dialog] or not proc.running(),
                       30, what="the error's message box")
        self.assertTrue(proc.running(), "ended with %s" % proc.wait(0))
        self.point_at(box[0])
        self.display.key("Return")
        self.assertEqual(proc.wait(20), 5, proc.stderr_tail())
        self.assertEqual(sorted(os.listdir(folder)), ["settings.ini", "settings.ini.lock"])
        with open(os.path.join(folder, "settings.ini")) as f:
            self.assertEqual(f.read(), old)


if __name__ == "__main__":
    unittest.main()
