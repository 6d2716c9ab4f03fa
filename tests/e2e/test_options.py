"""The options dialog "/c" driven by the keyboard alone: what it shows from
the store, what its keys store, and that the saver plays what was stored."""

import unittest

from lib.wine import APP_TITLE, FORM_CLASS, WineCase

INTERVAL, RANDOM = "Delay Interval", "Delay Random"
SETTINGS_PATH = r"Software\Vorlan Screen Saver 2\Options"

# Stored before, keys, shown (option, list text, list enabled), stored after.
# Esc is no key of this dialog; Enter acts as the default button, "&Ok".
CASES = [
    ({}, ("Escape", "alt+r", "Return"), ("interval", "60 (1 Minute)", 1),
     {INTERVAL: "120", RANDOM: "-1"}),
    ({INTERVAL: "3600", RANDOM: "-1"}, ("alt+i", "alt+e", "Down", "alt+o"),
     ("random", "1800 (30 Minutes)", 0), {INTERVAL: "7200", RANDOM: "0"}),
    ({INTERVAL: "20", RANDOM: "-1"}, ("alt+d", "alt+o"), ("random", "10", 0),
     {INTERVAL: "120", RANDOM: "0"}),
    ({INTERVAL: "600", RANDOM: "0"}, ("alt+r", "alt+c"), ("interval", "300 (5 Minutes)", 1), {}),
    ({INTERVAL: "600", RANDOM: "0"}, ("alt+r", "alt+F4"), ("interval", "300 (5 Minutes)", 1), {}),
]


class OptionsTest(WineCase):

    def run_dialog(self, stored, keys):
        """Opens the dialog on `stored`, empties the store, presses the keys
        and returns what the dialog showed and what it stored."""
        self.session.store_settings(stored)
        proc, w = self.open_dialog()
        left, top, right, bottom = w["rect"]
        self.assertLessEqual(abs(left + right - 1920), 3, "not centred: %s" % (w["rect"],))
        self.assertLessEqual(abs(top + bottom - 1080), 3, "not centred: %s" % (w["rect"],))
        controls = self.session.find_window()["controls"]
        option = next(c["caption"] for c in controls if c["class"] == "Button" and c["checked"])
        combo = next(c for c in controls if c["class"] == "ComboBox")
        shown = ("random" if "&Random" in option else "interval", combo["caption"],
                 combo["enabled"])
        self.session.store_settings()
        self.display.key(*keys)
        self.assertEndsQuietly(proc)
        return shown, self.session.reg_values()

    def test_shows_the_store_and_stores_what_the_keys_choose(self):
        for stored, keys, shown, after in CASES:
            with self.subTest(stored=stored, keys=keys):
                self.session.end_programs()
                self.assertEqual(self.run_dialog(stored, keys), (shown, after))

    def deny(self, mask):
        """Denies everyone `mask` on the settings key (1 reading, 2 writing)
        until the case ends."""
        self.addCleanup(self.session.helper, "deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.helper("deny", SETTINGS_PATH, mask)[0], 0)

    def open_dialog(self, cls=FORM_CLASS, proc=None):
        proc = proc or self.session.saver("/c")
        w = self.session.wait_window(cls)
        left, top, right, bottom = w["rect"]
        # Keyboard focus follows the pointer without a window manager.
        self.display.mouse_move((left + right) // 2, (top + bottom) // 2)
        return proc, w

    def test_a_key_that_denies_reading_gives_the_defaults(self):
        # Stored is random play: "/s" loops the clip as by default, and "&Ok"
        # stores the defaults that "/c" showed.
        self.session.store_settings({INTERVAL: "10", RANDOM: "-1"})
        self.deny("1")
        self.display.mouse_move(0, 0)
        saver = self.session.saver("/s")
        saver.wait_call(lambda c: c.func == "SetWindowPos" and c.arg_ptr(1) == -1, 60,
                        "the topmost placement")
        self.assertEqual([c.arg_int(2) for c in saver.trace.calls("PlaySoundA")], [15],
                         saver.trace.describe())
        self.session.end_programs()
        proc, _ = self.open_dialog()
        self.display.key("alt+o")
        self.assertEndsQuietly(proc)
        self.assertEqual(proc.trace.calls("MessageBoxA"), [])
        self.session.helper("deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.reg_values(), {INTERVAL: "120", RANDOM: "0"})

    def test_ok_on_a_key_that_denies_writing(self):
        # A box owned by the dialog says what failed; once it is closed the
        # process ends with the error's number, having stored nothing.
        self.session.store_settings({INTERVAL: "600", RANDOM: "0"})
        self.deny("2")
        proc, w = self.open_dialog()
        self.display.key("alt+r", "alt+o")
        box = proc.wait_call(lambda c: c.func == "MessageBoxA", 30, "the error's message box")
        self.assertEqual((box.arg_ptr(0), box.arg_str(2), box.arg_int(3)),
                         (w["hwnd"], APP_TITLE, 0x10))  # MB_OK | MB_ICONERROR
        self.assertEqual(box.arg_str(1),
                         r"Your options could not be saved: Windows refused to write "
                         r"HKEY_CURRENT_USER\\Software\\Vorlan Screen Saver 2\\Options "
                         r"(access denied).\n\nRun-time error 5.")
        self.open_dialog("#32770", proc)
        self.display.key("Return")
        self.assertEqual(proc.wait(30), 5)
        self.session.helper("deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.reg_values(), {INTERVAL: "600", RANDOM: "0"})

    def test_the_saver_plays_as_the_dialog_stored(self):
        # 5 seconds of continuous play: the looped clip stops on the 10th
        # Tick, 4.5 s after the load, with the saver still running.
        self.assertEqual(self.run_dialog({}, ("alt+e", "Home", "alt+o"))[1],
                         {INTERVAL: "10", RANDOM: "0"})
        saver = self.session.saver("/s")
        loop = saver.wait_call(lambda c: c.func == "PlaySoundA" and c.arg_ptr(0), 60,
                               "the looped clip")
        stop = saver.wait_call(lambda c: c.func == "PlaySoundA" and not c.arg_ptr(0), 30,
                               "the stop of the clip after 10 Ticks")
        self.assertTrue(saver.running(), "the saver ended by itself")
        self.assertGreaterEqual(stop.stamp - loop.stamp, 4.4, "the clip stopped too soon")


if __name__ == "__main__":
    unittest.main()
