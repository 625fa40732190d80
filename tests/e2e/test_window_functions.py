"""app.* and window.* from a packaged page, checked on the X11 window under openbox."""

import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import E2ETestCase, wait_until  # noqa: E402


class WindowFunctionsTest(E2ETestCase):
    window_manager = True

    def frame_extents(self, app, window):
        return app.frame_extents(window)

    def test_every_window_function_acts_on_the_window(self):
        exe = self.build("window-functions")
        app = self.start(exe, args=["alpha", "b c"])
        window = app.window_id()

        r = self.step(1)
        x, y, w, h = app.geometry(window)
        self.assertEqual(r["size"]["ok"], {"top": y, "left": x, "width": w, "height": h})
        self.assertEqual((w, h), (800, 600))
        self.assertEqual(r["border"], {"ok": "sizeable"})
        self.assertEqual(r["style"], {"ok": "normal"})
        self.assertEqual(r["state"], {"ok": "normal"})
        self.assertEqual(r["fullscreen"], {"ok": False})
        self.assertEqual(r["args"], {"ok": [str(exe), "alpha", "b c"]})
        self.assertEqual(r["zoom"], {"ok": "1"})
        decorated = self.frame_extents(app, window)
        self.assertTrue(decorated and any(decorated), decorated)
        self.go(1)

        # Full screen twice: no reply, no border, the whole screen.
        r = self.step(2)
        self.assertEqual(r["first"], "<pending>")
        self.assertEqual(r["second"], "<pending>")
        self.assertEqual(r["fullscreen"], {"ok": True})
        wait_until(lambda: "FULLSCREEN" in app.net_wm_state(window), 10, "not in full screen")
        wait_until(lambda: app.geometry(window) == (0, 0, 1280, 1024), 10, "not on the whole screen")
        self.assertEqual(self.frame_extents(app, window), [0, 0, 0, 0])
        self.go(2)

        # One exit restores the window as it was: normal, framed, 800 x 600.
        r = self.step(3)
        self.assertEqual(r["exit"], "<pending>")
        self.assertEqual(r["fullscreen"], {"ok": False})
        self.assertEqual(r["border"], {"ok": "sizeable"})
        wait_until(lambda: "MAXIMIZED" not in app.net_wm_state(window), 10, "still maximized")
        self.assertNotIn("FULLSCREEN", app.net_wm_state(window))
        wait_until(lambda: app.geometry(window)[2:] == (w, h), 10,
                   f"not back to its size: {app.geometry(window)}, {app.net_wm_state(window)}")
        self.assertTrue(any(self.frame_extents(app, window)))
        self.go(3)

        r = self.step(4)
        self.assertEqual(r["maximize"], {"ok": True})
        self.assertEqual(r["unknown"], {"ok": True})
        self.assertEqual(r["state"], {"ok": "maximized"})
        self.assertIn("MAXIMIZED", app.net_wm_state(window))
        self.go(4)

        r = self.step(5)
        self.assertEqual(r["onTop"], {"ok": True})
        self.assertEqual(r["style"], {"ok": "ontop"})
        wait_until(lambda: "ABOVE" in app.net_wm_state(window), 10, "not above")
        self.assertNotIn("MAXIMIZED", app.net_wm_state(window))
        self.go(5)

        r = self.step(6)
        self.assertEqual(r["plain"], {"ok": True})
        wait_until(lambda: "ABOVE" not in app.net_wm_state(window), 10, "still above after setStyle {}")
        self.assertEqual(r["zoom"], {"ok": True})
        self.assertEqual(r["zoomed"]["factor"], {"ok": "1.5"})
        self.assertLess(r["zoomed"]["innerWidth"], r["width1"])
        self.assertEqual(r["comma"], {"ok": False})
        self.assertEqual(r["reset"], {"ok": "1"})
        self.assertEqual(r["innerWidth"], r["width1"])
        self.go(6)

        r = self.step(7)
        before, after = r["before"]["ok"], r["after"]["ok"]
        self.assertEqual(r["set"], {"ok": True})
        self.assertEqual(after["width"], 700)
        self.assertEqual((after["top"], after["left"], after["height"]),
                         (before["top"], before["left"], before["height"]))
        wait_until(lambda: app.geometry(window)[2] == 700, 10, "the frame is not 700 wide")
        self.go(7)

        r = self.step(8)
        self.assertEqual(r["set"], {"ok": True})
        self.assertEqual(r["title"], {"ok": 'A "quoted" \\ title'})
        self.assertEqual(app.caption(window), 'A "quoted" \\ title')
        self.go(8)

        # setBorder never answers; an unknown name changes nothing.
        r = self.step(9)
        self.assertEqual(r["none"], "<pending>")
        self.assertEqual(r["afterNone"], {"ok": "none"})
        self.assertEqual(r["bogus"], "<pending>")
        self.assertEqual(r["afterBogus"], {"ok": "none"})
        wait_until(lambda: self.frame_extents(app, window) == [0, 0, 0, 0], 10, "still decorated")
        self.go(9)

        r = self.step(10)
        self.assertEqual(r["navigate"], {"err": "Missing url"})
        self.go(10)

    def test_full_screen_by_the_settings_is_reported_before_any_call(self):
        exe = self.build("window-functions", settings={"WindowStyle": "1", "WindowBorder": "3"})
        app = self.start(exe)
        window = app.window_id()
        r = self.step(1)
        self.assertEqual(r["fullscreen"], {"ok": True})
        # The border it will have when full screen ends; the whole screen now.
        self.assertEqual(r["border"], {"ok": "dialog"})
        wait_until(lambda: "FULLSCREEN" in app.net_wm_state(window), 10, "not in full screen")
        wait_until(lambda: app.geometry(window) == (0, 0, 1280, 1024), 10, "not on the whole screen")
        self.assertEqual(self.frame_extents(app, window), [0, 0, 0, 0])
        self.go(1)
        r = self.step(2)  # already in full screen: nothing changes
        self.assertEqual(r["fullscreen"], {"ok": True})
        self.go(2)
        r = self.step(3)  # exit: normal state, the settings' dialog border
        self.assertEqual(r["fullscreen"], {"ok": False})
        self.assertEqual(r["border"], {"ok": "dialog"})
        wait_until(lambda: "FULLSCREEN" not in app.net_wm_state(window), 10, "still in full screen")
        wait_until(lambda: any(self.frame_extents(app, window)), 10, "no frame")


if __name__ == "__main__":
    unittest.main()
