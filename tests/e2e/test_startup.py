"""Start-up of the real saver against real windows: a second instance, an
existing saver window, and preview handles that name no usable host."""

import unittest

from lib.wine import APP_TITLE, FORM_CLASS, SessionCase


class StartupTest(SessionCase):

    def test_a_second_instance_ends_at_once(self):
        display = self.session.display
        for first_switch, close_key in (("/s", "a"), ("/c", "alt+c")):
            with self.subTest(first=first_switch):
                self.session.end_programs()
                display.mouse_move(0, 0)
                first = self.session.saver(first_switch)
                w = self.session.wait_window()
                for again in (("/s",), ("/c",), ("/p", str(w["hwnd"]))):
                    second = self.session.saver(*again)
                    self.assertEndsQuietly(second, "a second start with %s" % (again,))
                    # Ended by the instance check, before any search for a window.
                    self.assertNoUserVisibleEffect(second, "a second start with %s" % (again,))
                    self.assertEqual(second.trace.calls("FindWindowA"), [])
                    self.assertTrue(first.running(), "the first ended when %s started" % (again,))
                # Keyboard focus follows the pointer without a window manager.
                if first_switch == "/c":
                    display.mouse_move((w["rect"][0] + w["rect"][2]) // 2,
                                       (w["rect"][1] + w["rect"][3]) // 2)
                display.key(close_key)
                self.assertEndsQuietly(first, "the first instance after %s" % close_key)

    def test_an_existing_saver_window_stops_the_saver(self):
        decoy = self.session.run(self.session.host, "decoy", FORM_CLASS, APP_TITLE, stdin=True)
        decoy.read_reply(60)
        proc = self.session.saver("/s")
        self.assertEndsQuietly(proc, "/s beside a saver window")
        finds = proc.trace.calls("FindWindowA")
        self.assertEqual([(c.arg_str(0), c.arg_str(1)) for c in finds], [(FORM_CLASS, APP_TITLE)])
        decoy.kill()
        self.assertNoUserVisibleEffect(proc, "/s beside a saver window")

    def test_a_preview_without_a_usable_host_ends_quietly(self):
        # As a host starts it: the switch and the handle are separate words.
        hosts = {"none": (), "0": ("0",), "too large": ("99999999999",),
                 "a destroyed window": (str(self.session.handle("stale")),),
                 "the desktop window": (str(self.session.handle("desktop")),)}
        for host, handle in hosts.items():
            args = ("/p",) + handle
            with self.subTest(host=host, args=args):
                self.session.end_programs()
                proc = self.session.saver(*args)
                self.assertEndsQuietly(proc, " ".join(args))
                # The desktop window is refused before its area is asked for.
                if host != "the desktop window":
                    self.assertTrue(proc.trace.calls("GetClientRect"),
                                    "%s never asked for the host's area\n%s"
                                    % (" ".join(args), proc.trace.describe()))
                self.assertNoUserVisibleEffect(proc, " ".join(args))


if __name__ == "__main__":
    unittest.main()
