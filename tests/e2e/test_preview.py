"""The preview "/p <handle>" started by a stand-in screen-saver host: the
saver's window embedded in the host's 152 x 112 area, the frames stretched
over it, and the end when the host drops the area or ends; the quiet end
without a usable host. That it ignores input is a rule of the form, for the
unit tests."""

import json
import os
import re
import unittest

from lib.process import wait_for
from lib.wine import FORM_CLASS, VISIBLE_EFFECTS, WineCase

WS_CHILD = 0x40000000
HOST_BLUE = (0, 0, 160)  # the area's own colour


class PreviewTest(WineCase):

    def start_host(self):
        self.display.mouse_move(0, 0)
        host = self.session.run(self.session.host, "host", self.session.scr, stdin=True,
                                relay=True)
        reply = host.read_reply(60)
        host.saver_pid = int(re.match(r"started pid=(\d+)", reply[0]).group(1))
        area = json.loads(reply[1])

        def embedded():
            lines = host.ask("wait 0")
            self.assertNotIn("saver exited", lines[-1], "the preview ended by itself\n"
                             + host.trace.describe())
            kids = [json.loads(l[6:]) for l in lines if l.startswith("child ")]
            return kids if kids and kids[0]["visible"] else None
        return host, area, wait_for(embedded, 60, interval=0.2, what="the preview in the area")

    def effects(self, host):
        return [c for f in VISIBLE_EFFECTS for c in host.trace.calls(f, pid=host.saver_pid)]

    def test_embedded_shows_the_frames_stretched(self):
        host, area, kids = self.start_host()
        self.assertEqual(len(kids), 1, kids)
        child = kids[0]
        self.assertEqual((child["class"], child["caption"], child["pid"], child["parent"]),
                         (FORM_CLASS, "Preview", host.saver_pid, area["hwnd"]))
        self.assertEqual((child["rect"], child["client"]), (area["rect"], [152, 112]))
        self.assertTrue(child["style"] & WS_CHILD, child)
        self.assertEqual(self.session.find_window(FORM_CLASS, "Preview")["exists"], 0,
                         "a top-level preview window is left behind")

        rect = area["rect"]

        def frame_shown():
            image = self.display.screenshot(rect)
            return image.count(HOST_BLUE) == 0 and self.frames.classify(image, rect)
        first = wait_for(frame_shown, 30, what="a frame stretched over the whole area")
        wait_for(lambda: frame_shown() not in (False, None, first), 10,
                 what="the other frame in the area")
        self.assertEqual(self.effects(host), [])

    def test_ends_with_the_area_or_the_host(self):
        for how in ("destroy the area", "end the host"):
            with self.subTest(how=how):
                self.session.end_programs()
                host, area, kids = self.start_host()
                if how == "destroy the area":
                    self.assertIn('"exists":0', host.ask("destroy")[0])
                    self.assertIn("saver exited 0", host.ask("wait 30000", timeout=60))
                else:
                    host.send("quit")
                    self.assertIsNotNone(host.wait(30), "the host did not end")
                    name = os.path.basename(self.session.scr)
                    wait_for(lambda: not self.session.prefix_processes(name), 30,
                             what="the saver to end after its host")
                self.assertEqual(self.effects(host), [])

    def test_a_preview_without_a_usable_host_ends_quietly(self):
        # As a host starts it: the switch and the handle are separate words.
        # How a handle's text is read is the unit tests' matter.
        stale, desktop = self.session.handles()
        for handle in ((), (stale,), (desktop,)):  # none, a destroyed window, the desktop
            with self.subTest(handle=handle):
                self.session.end_programs()
                proc = self.session.saver("/p", *handle)
                self.assertEndsQuietly(proc)
                # The desktop window is refused before its area is asked for.
                if handle != (desktop,):
                    self.assertTrue(proc.trace.calls("GetClientRect"), "never asked for the "
                                    "host's area\n" + proc.trace.describe())
                self.assertNoUserVisibleEffect(proc)

if __name__ == "__main__":
    unittest.main()
