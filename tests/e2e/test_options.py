"""The options dialog "/c", driven by the keyboard alone: where it opens,
what "&Ok", "&Cancel", "&Defaults" and closing write to the registry, and
that the next saver run uses what was stored."""

import unittest

from harness import (APP_TITLE, FORM_CLASS, SCREEN_H, SCREEN_W, SessionCase, dark_pixels,
                     wait_for)

SETTINGS_PATH = r"Software\Vorlan Screen Saver 2\Options"
TWIPS = 15  # per pixel at 96 pixels per inch
CLIENT_W, CLIENT_H = 3855 / TWIPS, 2535 / TWIPS


def px(twips):
    return int(round(twips / TWIPS))


# Bands of the client area (pixels) where each control's caption is drawn,
# from the dialog's layout in twips; the label lies inside the frame.
FRAME_X, FRAME_Y = 120, 120
BANDS = {
    "random option": (px(FRAME_X + 120) + 14, px(FRAME_Y + 360), px(FRAME_X + 120 + 3205),
                      px(FRAME_Y + 360 + 195)),
    "interval option": (px(FRAME_X + 120) + 14, px(FRAME_Y + 720), px(FRAME_X + 120 + 3325),
                        px(FRAME_Y + 720 + 195)),
    "seconds label": (px(FRAME_X + 120), px(FRAME_Y + 1080), px(FRAME_X + 120 + 675),
                      px(FRAME_Y + 1080 + 195)),
    "Ok": (px(2640), px(2040), px(2640 + 1095), px(2040 + 375)),
    "Cancel": (px(1440), px(2040), px(1440 + 1095), px(2040 + 375)),
    "Defaults": (px(120), px(2040), px(120 + 1095), px(2040 + 375)),
}


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


class OptionsTest(SessionCase):

    def setUp(self):
        super().setUp()
        self.session.store_settings()

    def open_dialog(self, *args):
        proc = self.session.start_saver(*(args or ("/c",)))
        window = self.session.wait_window()
        # Without a window manager keyboard focus follows the pointer.
        self.session.mouse_move(*centre(window["rect"]))
        return proc, window

    def band(self, image, window, name):
        ox, oy = window["origin"]
        x0, y0, x1, y1 = BANDS[name]
        return dark_pixels(image, (ox + x0, oy + y0, ox + x1, oy + y1))

    def label_enabled(self, window):
        """Whether "S&econds:" is drawn in the enabled (black) text."""
        return self.band(self.session.screenshot(), window, "seconds label") > 0

    def press(self, proc, *keys):
        """Keys for the dialog, which must still be running to take them."""
        self.assertTrue(proc.running(), "the dialog ended before %s" % (keys,))
        self.session.key(*keys)

    def assertStored(self, values, proc):
        self.assertEndsQuietly(proc, what="the dialog")
        self.assertEqual(self.session.reg_values(), values)

    def test_opens_centred_with_its_controls(self):
        for args in (("/c",), ("/c:1234",), ("/C", "5678")):
            with self.subTest(args=args):
                proc, w = self.open_dialog(*args)
                found = self.session.find_window()
                self.assertEqual(found["count"], 1)
                self.assertEqual((w["class"], w["caption"]), (FORM_CLASS, APP_TITLE))
                self.assertEqual((w["toplevel"], w["owner"], w["visible"]), (1, 0, 1))
                cw, ch = w["client"]
                self.assertLessEqual(abs(cw - CLIENT_W), 1, w)
                self.assertLessEqual(abs(ch - CLIENT_H), 1, w)
                left, top, right, bottom = w["rect"]
                # Half the difference in whole twips, truncated toward zero.
                want_left = int(round((SCREEN_W - (right - left)) * TWIPS)) // 2 / TWIPS
                want_top = int(round((SCREEN_H - (bottom - top)) * TWIPS)) // 2 / TWIPS
                self.assertLessEqual(abs(left - want_left), 2, w)
                self.assertLessEqual(abs(top - want_top), 2, w)

                img = self.session.screenshot()
                ox, oy = w["origin"]
                if args == ("/c",):
                    img.crop(max(0, left - 10), max(0, top - 10), right + 10,
                             bottom + 10).save_png(self.session.artifact("options.png"))
                # Every caption is drawn, in enabled text: the stored mode is
                # the default, continuous play.
                for name in BANDS:
                    self.assertGreater(self.band(img, w, name), 5,
                                       "no text where %s belongs" % name)
                self.press(proc, "alt+c")
                self.assertStored({}, proc)

    def test_ok_writes_the_choice(self):
        # Random play: the interval stays the one shown, 120 Ticks.
        proc, w = self.open_dialog()
        self.press(proc, "alt+r")
        wait_for(lambda: not self.label_enabled(w), 10, what="the interval list to be disabled")
        self.press(proc, "Return")
        self.assertStored({"Delay Interval": "120", "Delay Random": "-1"}, proc)

        # Reopened in the random mode; back to continuous play, one item down
        # from the stored 60 s, which is 5 minutes.
        proc, w = self.open_dialog()
        self.assertFalse(self.label_enabled(w), "the stored random mode is not shown")
        self.press(proc, "alt+i")
        wait_for(lambda: self.label_enabled(w), 10, what="the interval list to be enabled")
        self.press(proc, "alt+e", "Down", "alt+o")
        self.assertStored({"Delay Interval": "600", "Delay Random": "0"}, proc)

    def test_reopening_shows_what_was_stored(self):
        # The dialog reads the store when it opens: with the store emptied
        # after that, "&Ok" writes back exactly what it showed.
        for interval, random in (("3600", "-1"), ("20", "0"), ("7200", "0")):
            with self.subTest(interval=interval, random=random):
                self.session.store_settings(interval=interval, random=random)
                proc, w = self.open_dialog()
                self.assertEqual(self.label_enabled(w), random == "0")
                self.session.store_settings()
                # Enter on the focused option button acts as "&Ok".
                self.press(proc, "Return")
                self.assertStored({"Delay Interval": interval, "Delay Random": random}, proc)

    def test_cancel_and_close_write_nothing(self):
        for how in ("alt+c", "alt+F4", "WM_CLOSE"):
            with self.subTest(how=how):
                self.session.store_settings(interval="600", random="0")
                proc, w = self.open_dialog()
                self.press(proc, "alt+r")
                self.session.store_settings()
                if how == "WM_CLOSE":
                    code, _ = self.session.helper_output("close", str(w["hwnd"]))
                    self.assertEqual(code, 0)
                else:
                    self.press(proc, how)
                self.assertStored({}, proc)

    def test_escape_does_nothing(self):
        proc, w = self.open_dialog()
        self.press(proc, "Escape")
        self.assertTrue(proc.stays_running(1.5), "Esc closed the dialog")
        self.assertEqual(self.session.reg_values(), {})
        self.press(proc, "alt+c")
        self.assertStored({}, proc)

    def test_defaults_write_nothing_and_reset_the_controls(self):
        self.session.store_settings(interval="10", random="-1")
        proc, w = self.open_dialog()
        self.session.store_settings()
        self.press(proc, "alt+d")
        wait_for(lambda: self.label_enabled(w), 10, what="the defaults to enable the list")
        self.assertTrue(proc.running(), "Defaults closed the dialog")
        self.assertEqual(self.session.reg_values(), {}, "Defaults wrote to the store")
        self.press(proc, "alt+o")
        self.assertStored({"Delay Interval": "120", "Delay Random": "0"}, proc)

    def test_ok_on_a_key_that_cannot_be_written(self):
        # A message box owned by the dialog says what failed; once it is
        # closed the process ends with the error's number, storing nothing.
        self.session.store_settings(interval="600", random="0")
        self.addCleanup(self.session.helper_output, "deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.helper_output("deny", SETTINGS_PATH, "2")[0], 0)
        proc, w = self.open_dialog()
        self.press(proc, "alt+r", "alt+o")
        box = proc.wait_call(lambda c: c.func == "MessageBoxA", 30, "the error's message box")
        self.assertEqual(box.arg_ptr(0), w["hwnd"])
        self.assertEqual(box.arg_str(1),
                         r"Your options could not be saved: Windows refused to write "
                         r"HKEY_CURRENT_USER\\Software\\Vorlan Screen Saver 2\\Options "
                         r"(access denied).\n\nRun-time error 5.")
        self.assertEqual((box.arg_str(2), box.arg_int(3)), (APP_TITLE, 0x10))  # MB_ICONERROR
        shown = self.session.wait_window(cls="#32770", caption=APP_TITLE)
        self.session.mouse_move(*centre(shown["rect"]))
        self.session.key("Return")
        self.assertEqual(proc.wait_exit(30), 5)
        self.session.helper_output("deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.reg_values(), {"Delay Interval": "600", "Delay Random": "0"})

    def test_saver_uses_the_stored_mode(self):
        proc, w = self.open_dialog()
        self.press(proc, "alt+r", "alt+o")
        self.assertStored({"Delay Interval": "120", "Delay Random": "-1"}, proc)
        self.session.mouse_move(0, 0)
        saver = self.session.start_saver("/s")
        saver.wait_call(lambda c: c.func == "SetWindowPos" and c.arg_ptr(1) == -1, 60,
                        "the topmost full-screen placement")
        self.assertTrue(saver.stays_running(1.5))
        self.assertEqual([c for c in saver.trace("PlaySoundA") if c.arg_ptr(0) != 0], [],
                         "a sound started in the random mode\n" + saver.describe_trace())
        self.session.key("a")
        self.assertEndsQuietly(saver, what="the saver after a key")


if __name__ == "__main__":
    unittest.main()
