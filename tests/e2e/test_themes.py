"""Themes in the real window under openbox: the title bar, menu bar and
frame change at once, the page and the window's outer geometry do not."""

import subprocess
import unittest
from collections import Counter

from harness import E2ETestCase

THEMES = ["Amakrits", "Amethyst Kamri", "Aqua Graphite", "Aqua Light Slate", "Auric", "Carbon",
          "Charcoal Dark Slate", "Cobalt XEMedia", "Cyan Dusk", "Cyan Night", "Emerald Light Slate",
          "Glossy", "Glow", "Golden Graphite", "Iceberg Classico", "Lavender Classico", "Light", "Luna",
          "Metropolis UI Black", "Metropolis UI Blue", "Metropolis UI Dark", "Metropolis UI Green",
          "Obsidian", "Onyx Blue", "Ruby Graphite", "Sapphire Kamri", "Silver", "Sky", "Slate Classico",
          "Smokey Quartz Kamri", "Tablet Dark", "Tablet Light", "Turquoise Gray", "Windows", "Windows10",
          "Windows10 Blue", "Windows10 Dark", "Windows10 Green", "Windows10 Purple", "Windows10 SlateGray"]

# The page's fixed corner (form controls, a swatch, text): never themed.
FIXTURE = (300, 180)
TITLE_STRIP = 16


class ThemesTest(E2ETestCase):
    window_manager = True

    def region(self, x, y, width, height):
        """The screen's pixels in a rectangle, as RGB bytes."""
        return subprocess.run(["import", "-window", "root", "-depth", "8", "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                               "rgb:-"], env=self.display.env(), capture_output=True, check=True).stdout

    def look(self, app, window, report):
        """Outer geometry, the title bar's strip and the page's fixed corner.
        The web view lies at the bottom of the client area, inset on three
        sides by the same frame width."""
        outer = app.geometry(window)
        x, y, width, height = app.client_geometry(window)
        inset = (width - report["innerWidth"]) // 2
        page = self.region(x + inset, y + height - inset - report["innerHeight"], *FIXTURE)
        title = self.region(outer[0], outer[1], outer[2], TITLE_STRIP)
        return outer, title, page

    def test_switching_changes_title_bar_only_and_keeps_page_and_geometry(self):
        app = self.start(self.build("themes"))
        window = app.window_id()
        start = self.step(0)
        self.assertEqual(start["themes"], {"ok": THEMES})
        self.assertEqual(start["theme"], {"ok": "Windows"})
        outer0, title0, page0 = self.look(app, window, start)
        self.assertNotEqual(app.frame_extents(window), [0, 0, 0, 0])  # the window manager's frame
        self.go(0)

        titles = {"Windows": title0}
        expected = [("Windows10 Dark", True, "Windows10 Dark"), ("Tablet Light", True, "Tablet Light"),
                    ("Windows", True, "Windows"), ("carbon", False, "Carbon"),
                    ("No Such Theme", False, "Carbon"), (None, False, "Carbon"), ("Windows", True, "Windows")]
        for n, (requested, answer, active) in enumerate(expected, start=1):
            with self.subTest(requested=requested):
                r = self.step(n)
                self.assertEqual(r["set"], {"ok": answer})
                self.assertEqual(r["theme"], {"ok": active})
                self.assertEqual(r["origin"], start["origin"], "the page was loaded again")
                outer, title, page = self.look(app, window, r)
                self.assertEqual(outer, outer0)
                self.assertEqual(page, page0, "the page's content changed")
                if active == "Windows":
                    self.assertNotEqual(app.frame_extents(window), [0, 0, 0, 0])
                else:
                    self.assertEqual(app.frame_extents(window), [0, 0, 0, 0])  # our own title bar
                titles.setdefault(active, title)
            self.go(n)
        self.assertEqual(len({titles["Windows"], titles["Windows10 Dark"], titles["Tablet Light"]}), 3,
                         "the title bar looks the same under different themes")
        # The dark theme's title bar is mostly its own colour.
        dark = titles["Windows10 Dark"]
        pixels = Counter(dark[i:i + 3] for i in range(0, len(dark), 3))
        self.assertEqual(pixels.most_common(1)[0][0], bytes.fromhex("1f1f1f"))

        # Every border style keeps its outer bounds across a switch and back.
        n = len(expected)
        for border in ("single", "dialog", "toolwindow", "sizetoolwindow", "none", "sizeable"):
            with self.subTest(border=border):
                looks = []
                for theme in ("Windows", "Windows10 Dark", "Windows"):
                    n += 1
                    r = self.step(n)
                    self.assertEqual(r["border"], {"ok": border})
                    self.assertEqual(r["theme"], {"ok": theme})
                    looks.append(self.look(app, window, r))
                    self.go(n)
                self.assertEqual(looks[0][0], looks[1][0], "the dark theme moved or resized the window")
                self.assertEqual(looks[0][0], looks[2][0])
                self.assertEqual(looks[0][2], looks[1][2])
                self.assertEqual(looks[0][0][2:], outer0[2:], "the border style changed the outer size")
        self.assertIsNone(app.process.poll())

    def test_settings_theme_applies_at_start(self):
        app = self.start(self.build("themes", settings={"Theme": "windows10 dark"}))
        window = app.window_id()
        r = self.step(0)
        self.assertEqual(r["theme"], {"ok": "Windows10 Dark"})
        self.assertEqual(app.frame_extents(window), [0, 0, 0, 0])
        _, title, _ = self.look(app, window, r)
        pixels = Counter(title[i:i + 3] for i in range(0, len(title), 3))
        self.assertEqual(pixels.most_common(1)[0][0], bytes.fromhex("1f1f1f"))

    def test_unknown_settings_theme_shows_the_error_and_starts_with_the_system_look(self):
        app = self.start(self.build("themes", settings={"Theme": "Nope"}))
        dialog = app.window_id()
        self.assertEqual(app.caption(dialog), "Error")
        app.xdotool("windowactivate", "--sync", dialog)
        app.xdotool("key", "Return")
        r = self.step(0)
        self.assertEqual(r["theme"], {"ok": "Windows"})


if __name__ == "__main__":
    unittest.main()
