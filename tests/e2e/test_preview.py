"""The preview "/p <handle>" started by a stand-in screen-saver host: the
saver's window embedded in the host's 152 x 112 area, the frames stretched
over it, input ignored, and the end when the host drops the area or ends."""

import re
import unittest

from harness import APP_TITLE, FORM_CLASS, SessionCase, parse_window, wait_for

AREA_W, AREA_H = 152, 112
WS_CHILD = 0x40000000


class PreviewTest(SessionCase):

    def setUp(self):
        super().setUp()
        self.session.mouse_move(0, 0)

    def start_host(self, template="/p %d"):
        host = self.session.helper("host", self.session.scr, template, stdin=True, relay=True)
        reply = host.read_reply(60)
        m = re.search(r"started pid=(\d+) tid=(\d+) hosttid=(\d+) area=(\d+)", reply[0])
        self.assertIsNotNone(m, reply)
        host.saver_pid = int(m.group(1))
        area = parse_window(next(l for l in reply if l.startswith("area ")))
        self.assertEqual(area["client"], (AREA_W, AREA_H))

        def embedded():
            lines = host.ask("info")
            kids = [parse_window(l) for l in lines if l.startswith("child ")]
            if kids and kids[0]["caption"] == "Preview" and kids[0]["visible"]:
                return kids
            self.assertNotIn("saver exited", " ".join(lines),
                             "the preview ended by itself\n" + host.describe_trace())
            return None
        kids = wait_for(embedded, 60, interval=0.2, what="the preview window in the area")
        return host, area, kids

    def saver_calls(self, host, func=None):
        return host.trace(func, pid=host.saver_pid)

    def test_embedded_and_stretched(self):
        host, area, kids = self.start_host()
        self.assertEqual(len(kids), 1, kids)
        child = kids[0]
        self.assertEqual(child["class"], FORM_CLASS)
        self.assertEqual(child["caption"], "Preview")
        self.assertEqual(child["client"], (AREA_W, AREA_H))
        self.assertEqual(child["rect"], area["rect"])
        self.assertEqual(child["parent"], area["hwnd"])
        self.assertEqual(child["toplevel"], 0)
        self.assertEqual(child["pid"], host.saver_pid)
        self.assertTrue(child["style"] & WS_CHILD, child)
        # No top-level window of the saver is left behind.
        self.assertEqual(self.session.find_window(FORM_CLASS, APP_TITLE)["count"], 0)
        self.assertEqual(self.session.find_window(FORM_CLASS, "Preview")["count"], 0)

        # The calls that embed it, on the host's handle.
        parents = self.saver_calls(host, "SetParent")
        self.assertEqual([(c.arg_ptr(0), c.arg_ptr(1)) for c in parents],
                         [(child["hwnd"], area["hwnd"])], host.describe_trace())
        places = [c for c in self.saver_calls(host, "SetWindowPos")
                  if c.arg_ptr(0) == child["hwnd"] and c.arg_int(6) == 0x54]
        self.assertEqual([(c.arg_int(2), c.arg_int(3), c.arg_int(4), c.arg_int(5))
                          for c in places], [(0, 0, AREA_W, AREA_H)], host.describe_trace())

        # The frames, stretched over the area, alternate every Tick: first
        # from the calls that draw them, then on screen.
        def draws():
            out = []
            for c in self.saver_calls(host):
                if c.func == "StretchDIBits":
                    out.append((c, tuple(c.arg_int(i) for i in range(1, 9))))
                elif c.func == "StretchBlt":
                    out.append((c, tuple(c.arg_int(i) for i in (1, 2, 3, 4, 6, 7, 8, 9))))
            return out

        def bitmaps():
            return [(c, c.arg_ptr(1)) for c in self.saver_calls(host)
                    if c.func in ("FindResourceA", "FindResourceW") and c.arg_ptr(2) == 2]

        wait_for(lambda: len(draws()) >= 5, 30, what="five frames drawn in the preview")
        self.assertTrue(host.running())
        for call, args in draws():
            self.assertEqual(args, (0, 0, AREA_W, AREA_H, 0, 0, 200, 320),
                             "a frame not stretched over the area: %r" % call)
        ids = [i for _, i in bitmaps()]
        self.assertGreaterEqual(len(ids), 5, host.describe_trace())
        self.assertEqual(ids[0], 101)
        self.assertEqual(ids, [101 + k % 2 for k in range(len(ids))],
                         "frames drawn: %s" % ids)
        times = [c.stamp for c, _ in bitmaps()]
        self.assertGreaterEqual((times[-1] - times[0]) / (len(times) - 1), 0.45,
                                "frames change faster than every 500 ms")

        x0, y0, x1, y1 = area["rect"]

        def crop():
            return self.session.screenshot().crop(x0, y0, x1, y1)

        def showing_frame():
            img = crop()
            pixels = [img.pixel(x, y) for y in range(img.height) for x in range(img.width)]
            host_blue = sum(1 for p in pixels if p == (0, 0, 160))
            lit = sum(1 for p in pixels if p != (0, 0, 0))
            return img if host_blue == 0 and lit * 5 > len(pixels) else None

        first = wait_for(showing_frame, 20, what="a frame on screen in the preview area")
        first.save_png(self.session.artifact("preview.png"))
        # Stretched: the figure spans most of the area both ways.
        left, top, right, bottom = first.bbox_nonblack()
        self.assertGreaterEqual(right - left, AREA_W * 3 // 4, (left, top, right, bottom))
        self.assertGreaterEqual(bottom - top, AREA_H * 3 // 4, (left, top, right, bottom))
        wait_for(lambda: showing_frame() and crop().data != first.data, 10, interval=0.1,
                 what="the next frame on screen in the preview area")

    def test_input_is_ignored(self):
        host, area, kids = self.start_host()
        r = area["rect"]
        cx, cy = (r[0] + r[2]) // 2, (r[1] + r[3]) // 2
        s = self.session
        s.mouse_move(cx, cy)
        s.mouse_move(cx + 20, cy + 10)
        s.mouse_move(cx - 20, cy - 10)
        s.click(1)
        s.click(3)
        s.key("a")
        s.key("Escape")
        s.key("Return")
        self.assertIn("saver running", host.ask("wait 2000"))
        lines = host.ask("info")
        self.assertTrue(any(l.startswith("child ") and 'caption="Preview"' in l for l in lines),
                        lines)
        for func in ("ShowCursor", "PlaySoundA", "PlaySoundW", "sndPlaySoundA",
                     "MessageBoxA", "MessageBoxW"):
            self.assertEqual(self.saver_calls(host, func), [], "the preview called " + func)

    def test_destroying_the_area_ends_the_saver(self):
        for template in ("/p %d", "/P:%d"):
            with self.subTest(template=template):
                host, area, kids = self.start_host(template)
                reply = host.ask("destroy")
                self.assertIn("exists=0", reply[0])
                self.assertIn("saver exited 0", host.ask("wait 30000", timeout=60))
                host.settle_trace()
                self.assertEqual(self.saver_calls(host, "ShowCursor"), [])
                self.assertEqual(self.saver_calls(host, "PlaySoundA"), [])
                host.send("quit")
                self.assertIsNotNone(host.wait_exit(30))

    def test_ending_the_host_ends_the_saver(self):
        host, area, kids = self.start_host()
        name = self.session.scr_name()
        self.assertTrue(self.session.prefix_processes(name), "the saver's process is not seen")
        host.send("quit")
        self.assertIsNotNone(host.wait_exit(30), "the host did not end")
        wait_for(lambda: not self.session.prefix_processes(name), 30,
                 what="the saver to end after its host")


if __name__ == "__main__":
    unittest.main()
