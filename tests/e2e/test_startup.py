"""Start-up of the real saver: switches that do nothing, the single instance,
an existing saver window, preview handles that name no window, and the
stored options read back through the real registry."""

import unittest

from harness import APP_TITLE, FORM_CLASS, SessionCase

SETTINGS_PATH = r"Software\Vorlan Screen Saver 2\Options"


def is_topmost_placement(c):
    return c.func == "SetWindowPos" and c.arg_ptr(1) == -1


def sound_calls(proc, flags=None):
    calls = [c for c in proc.trace("PlaySoundA") if c.arg_ptr(0) != 0]
    return [c for c in calls if flags is None or c.arg_int(2) == flags]


class StartupTest(SessionCase):

    def start_shown(self, *args):
        self.session.mouse_move(0, 0)
        proc = self.session.start_saver(*args)
        proc.wait_call(is_topmost_placement, 60, "the topmost full-screen placement")
        self.session.wait_window()
        return proc

    def dismiss(self, proc):
        self.session.key("a")
        self.assertEndsQuietly(proc, what="the saver after a key")

    def test_switches_that_start_nothing(self):
        self.session.store_settings()
        for switch in ("/a", "/A", "/x", "-s", "s", "/a /s"):
            with self.subTest(switch=switch):
                proc = self.session.start_saver(switch)
                self.assertEndsQuietly(proc, what=switch)
                self.assertNoUserVisibleEffect(proc, switch)
                self.assertEqual(proc.trace("FindWindowA"), [],
                                 "%s looked for a saver window" % switch)
        self.assertEqual(self.session.find_window()["count"], 0)
        self.assertNotIn(APP_TITLE, self.session.x_window_names())

    def test_second_instance_ends_at_once(self):
        self.session.store_settings()
        for first_args in (("/s",), ("/c",)):
            with self.subTest(first=first_args):
                first = self.start_shown(*first_args) if first_args == ("/s",) else None
                if first is None:
                    first = self.session.start_saver("/c")
                    self.session.wait_window()
                for again in ("/s", "/c", "/p 1234", "/a"):
                    second = self.session.start_saver(again)
                    self.assertEndsQuietly(second, what="a second start with %s" % again)
                    self.assertNoUserVisibleEffect(second, "a second start with %s" % again)
                    # The instance test comes before anything else: not even
                    # the search for a saver window runs.
                    self.assertEqual(second.trace("FindWindowA"), [])
                    self.assertTrue(first.running(),
                                    "the first instance ended when %s started" % again)
                self.assertEqual(self.session.find_window()["count"], 1)
                if first_args == ("/s",):
                    self.dismiss(first)
                else:
                    w = self.session.find_window()
                    self.session.mouse_move(*centre(w["rect"]))
                    self.session.key("alt+c")
                    self.assertEndsQuietly(first, what="the dialog after alt+c")

    def test_existing_saver_window_stops_saver(self):
        decoy = self.session.helper("decoy", FORM_CLASS, APP_TITLE, stdin=True)
        info = decoy.read_reply()[0]
        self.assertIn('class="%s"' % FORM_CLASS, info)
        proc = self.session.start_saver("/s")
        self.assertEndsQuietly(proc, what="/s beside a saver window")
        self.assertNoUserVisibleEffect(proc, "/s beside a saver window")
        finds = proc.trace("FindWindowA")
        self.assertEqual(len(finds), 1, proc.describe_trace())
        self.assertEqual((finds[0].arg_str(0), finds[0].arg_str(1)), (FORM_CLASS, APP_TITLE))
        self.assertNotEqual(finds[0].retval, 0)
        decoy.send("quit")

        # Only that class and caption count: a window of another class with
        # the same caption does not stop the saver.
        other = self.session.helper("decoy", "ThunderRT6Form", APP_TITLE, stdin=True)
        other.read_reply()
        proc = self.start_shown("/s")
        self.dismiss(proc)
        other.send("quit")

    def test_preview_without_a_window_ends_quietly(self):
        stale = self.session.stale_handle()
        for args in (("/p",), ("/p 0",), ("/p", "0"), ("/p 99999999999",), ("/p %d" % stale,),
                     ("/p:junk",)):
            with self.subTest(args=args):
                proc = self.session.start_saver(*args)
                self.assertEndsQuietly(proc, what=" ".join(args))
                self.assertNoUserVisibleEffect(proc, " ".join(args))
                self.assertEqual(self.session.find_window(FORM_CLASS, "Preview")["count"], 0)
                self.assertEqual(self.session.find_window()["count"], 0)

    def test_random_flag_read_from_registry(self):
        # "-1" selects the random mode: nothing plays at load.
        self.session.store_settings(interval="120", random="-1")
        proc = self.start_shown("/s")
        self.assertEqual(sound_calls(proc), [], proc.describe_trace())
        self.assertEqual([c.arg_int(0) for c in proc.trace("ShowCursor")], [0])
        self.dismiss(proc)
        self.assertEqual(sound_calls(proc), [], "a sound started in the random mode")

        # Only "-1" and "0" are accepted: "1" means the default, continuous
        # play, and the stored text is left as it was.
        self.session.store_settings(interval="600", random="1")
        proc = self.start_shown("/s")
        loops = sound_calls(proc, 15)
        self.assertEqual(len(loops), 1, proc.describe_trace())
        placement = next(c for c in proc.trace("SetWindowPos") if is_topmost_placement(c))
        self.assertLess(proc.calls.index(loops[0]), proc.calls.index(placement))
        self.dismiss(proc)
        self.assertEqual(self.session.reg_values(),
                         {"Delay Interval": "600", "Delay Random": "1"})

    def test_unreadable_settings_give_the_defaults(self):
        # The key denies reading its values; stored are options other than
        # the defaults. "/s" plays the clip in a loop, as by default; "&Ok"
        # in "/c" stores the defaults it showed.
        self.session.store_settings(interval="10", random="-1")
        self.addCleanup(self.session.helper_output, "deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.helper_output("deny", SETTINGS_PATH, "1")[0], 0)
        proc = self.start_shown("/s")
        self.assertEqual(len(sound_calls(proc, 15)), 1, proc.describe_trace())
        self.dismiss(proc)
        proc = self.session.start_saver("/c")
        w = self.session.wait_window()
        self.session.mouse_move(*centre(w["rect"]))
        self.session.key("alt+o")
        self.assertEndsQuietly(proc, what="the dialog after alt+o")
        self.assertEqual(proc.trace("MessageBoxA"), [])
        self.session.helper_output("deny", SETTINGS_PATH, "0")
        self.assertEqual(self.session.reg_values(),
                         {"Delay Interval": "120", "Delay Random": "0"})

    def test_interval_read_from_registry(self):
        # 10 Ticks: the looping clip stops on the 10th Tick, 4.5 s after the
        # load, where the default would take a minute. Spaces around the
        # stored number are accepted.
        self.session.store_settings(interval=" 10 ", random="0")
        proc = self.start_shown("/s")
        loop = sound_calls(proc, 15)[0]
        stop = proc.wait_call(lambda c: c.func == "PlaySoundA" and c.arg_ptr(0) == 0, 30,
                              "the stop of the looping clip after 10 Ticks")
        self.assertTrue(proc.running(), "the saver ended by itself")
        self.assertEqual(stop.arg_int(2), 4)
        self.assertGreaterEqual(stop.stamp - loop.stamp, 4.4,
                                "the clip stopped before the 10th Tick")
        self.assertEqual(proc.trace("ShowCursor")[-1].arg_int(0), 0,
                         "the cursor came back without a dismissal")
        self.dismiss(proc)


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


if __name__ == "__main__":
    unittest.main()
