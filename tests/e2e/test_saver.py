"""The full-screen saver "/s" on a 1920 x 1080 display: what it shows, the
calls it makes in order, and how input ends it."""

import time
import unittest

from harness import (APP_TITLE, FORM_CLASS, SCREEN_H, SCREEN_W, SessionCase,
                     saver_frame_model, wait_for)

WS_CAPTION = 0x00C00000
WS_THICKFRAME = 0x00040000
WS_EX_TOPMOST = 0x00000008


def is_topmost_placement(c):
    return c.func == "SetWindowPos" and c.arg_ptr(1) == -1


def is_show_cursor(c):
    return c.func == "ShowCursor" and c.arg_int(0) != 0


def is_sound_stop(c):
    return c.func == "PlaySoundA" and c.arg_ptr(0) == 0


class SaverTest(SessionCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.model = saver_frame_model(cls.session.source_dir)

    def setUp(self):
        super().setUp()
        self.session.store_settings()

    def start_shown(self):
        # With the pointer on the top-left corner the first recorded
        # position is (0, 0), which counts as nothing recorded yet.
        self.session.mouse_move(0, 0)
        proc = self.session.start_saver("/s")
        placement = proc.wait_call(is_topmost_placement, 60, "the topmost full-screen placement")
        window = self.session.wait_window()
        return proc, placement, window

    def assertOrderlyEnd(self, proc, after):
        """Ended with code 0 after showing the cursor and stopping the sound,
        in that order, both after the moment `after`."""
        code = proc.wait_exit(20)
        self.assertIsNotNone(code, "the saver did not end\n" + proc.describe_trace())
        self.assertEqual(code, 0)
        proc.settle_trace()
        calls = [c for c in proc.trace() if c.when >= after]
        shows = [i for i, c in enumerate(calls) if is_show_cursor(c)]
        stops = [i for i, c in enumerate(calls) if is_sound_stop(c)]
        self.assertEqual(len(shows), 1, "cursor not shown again once\n" + proc.describe_trace())
        self.assertTrue(stops, "sound not stopped at the end\n" + proc.describe_trace())
        self.assertLess(shows[0], stops[-1])
        self.assertEqual(calls[stops[-1]].arg_int(2), 4)
        self.assertEqual(self.session.find_window()["count"], 0)

    def test_frames_alternate_centred(self):
        proc, _, window = self.start_shown()
        self.assertEqual(window["rect"], (0, 0, SCREEN_W, SCREEN_H))
        self.assertTrue(window["exstyle"] & WS_EX_TOPMOST, window)
        self.assertFalse(window["style"] & (WS_CAPTION | WS_THICKFRAME), window)
        self.assertEqual(window["toplevel"], 1)

        model = self.model
        seen = []  # (time, frame, bbox)
        deadline = time.monotonic() + 15
        first = None
        while time.monotonic() < deadline:
            img = self.session.screenshot()
            t = time.monotonic()
            if first is None:
                first = img
                img.save_png(self.session.artifact("saver.png"))
            seen.append((t, model.classify(img), img.bbox_nonblack()))
            changes = sum(1 for a, b in zip(seen, seen[1:]) if a[1] != b[1])
            if changes >= 5 and t - seen[0][0] >= 3:
                break
        self.assertTrue(proc.running())

        frames = [f for _, f, _ in seen]
        unknown = frames.count(None)
        self.assertLessEqual(unknown, 1, "screenshots that show neither frame: %s" % frames)
        for t, frame, bbox in seen:
            if frame is None:
                continue
            expected = model.content_bbox(frame)
            self.assertIsNotNone(bbox, "a black screen")
            for got, want, edge in zip(bbox, expected, "left top right bottom".split()):
                self.assertLessEqual(abs(got - want), 2,
                                     "frame %d: %s edge of the picture at %d, expected %.1f "
                                     "(measured %s, expected %s)"
                                     % (frame, edge, got, want, bbox, expected))
        known = [(t, f) for t, f, _ in seen if f is not None]
        changes = [t for (t0, a), (t, b) in zip(known, known[1:]) if a != b]
        self.assertIn(101, frames)
        self.assertIn(102, frames)
        self.assertGreaterEqual(len(changes), 4, "frames seen: %s" % frames)
        # Frames can be late, never early: the mean period between changes,
        # widened by the largest gap between two screenshots at each end,
        # is at least the 500 ms tick (less a margin for timer granularity).
        gap = max(b[0] - a[0] for a, b in zip(seen, seen[1:]))
        span = changes[-1] - changes[0] + 2 * gap
        self.assertGreaterEqual(span / (len(changes) - 1), 0.45,
                                "frames change faster than every 500 ms: %s" % changes)

    def test_calls_in_order_and_pointer_dismissal(self):
        proc, placement, window = self.start_shown()
        calls = proc.trace()
        finds = [c for c in calls if c.func == "FindWindowA"]
        self.assertEqual([(c.arg_str(0), c.arg_str(1)) for c in finds], [(FORM_CLASS, APP_TITLE)])
        loops = [c for c in calls if c.func == "PlaySoundA" and c.arg_ptr(0) != 0]
        self.assertEqual(len(loops), 1, proc.describe_trace())
        self.assertEqual((loops[0].arg_ptr(1), loops[0].arg_int(2)), (0, 15))
        hides = [c for c in calls if c.func == "ShowCursor"]
        self.assertEqual([c.arg_int(0) for c in hides], [0])
        order = [calls.index(c) for c in (finds[0], loops[0], hides[0], placement)]
        self.assertEqual(order, sorted(order), "expected FindWindowA, PlaySoundA, ShowCursor, "
                         "SetWindowPos; got\n" + proc.describe_trace())
        self.assertEqual(
            (placement.arg_ptr(0), placement.arg_int(2), placement.arg_int(3),
             placement.arg_int(4), placement.arg_int(5), placement.arg_int(6)),
            (window["hwnd"], 0, 0, SCREEN_W, SCREEN_H, 0x40))

        # The first pointer event over the window only records the position
        # (from the corner, where (0, 0) means nothing recorded yet, the first
        # real move is recorded too); the next move of one pixel ends it.
        self.session.mouse_move(400, 400)
        self.assertTrue(proc.stays_running(1.5), "the first recorded move ended the saver")
        before = time.monotonic()
        self.session.mouse_move(401, 400)
        self.assertOrderlyEnd(proc, before)

    def test_key_dismisses(self):
        proc, _, _ = self.start_shown()
        self.assertTrue(proc.stays_running(1.0))
        before = time.monotonic()
        self.session.key("a")
        self.assertOrderlyEnd(proc, before)

    def test_click_dismisses(self):
        proc, _, _ = self.start_shown()
        before = time.monotonic()
        self.session.click(1)
        self.assertOrderlyEnd(proc, before)

    def test_random_mode_plays_nothing_at_load(self):
        self.session.store_settings(random="-1")
        proc, placement, _ = self.start_shown()
        # Two Ticks later there is still no sound: the first single play is
        # at least 10 Ticks away.
        model = self.model
        first = model.classify(self.session.screenshot())
        wait_for(lambda: model.classify(self.session.screenshot()) not in (first, None), 10,
                 what="the next frame")
        self.assertEqual([c for c in proc.trace("PlaySoundA") if c.arg_ptr(0) != 0], [],
                         proc.describe_trace())
        self.assertEqual([c.arg_int(0) for c in proc.trace("ShowCursor")], [0])
        before = time.monotonic()
        self.session.key("a")
        self.assertOrderlyEnd(proc, before)


if __name__ == "__main__":
    unittest.main()
