"""`zel dev` previews an application folder without packaging: settings
from the folder's zel.ini, pages from the folder, the bridge in preview mode,
and a reload when a file below the folder changes."""

import re
import shutil
import sys
import time

from harness import APPS_DIR, BIN_DIR, E2ETestCase, wait_until


class DevPreviewTest(E2ETestCase):
    def start_dev(self, title="one"):
        self.folder = self.work / "dev-app"
        shutil.copytree(APPS_DIR / "dev", self.folder)
        self.set_title(title)
        app = self.start(BIN_DIR / "zel", args=("dev", str(self.folder)))
        return app, app.window_id()

    def set_title(self, title):
        # Written beside and renamed into place, as editors save.
        part = self.folder / "app" / ".title.js.part"
        part.write_text(f'window.TITLE = "{title}";\n')
        part.rename(self.folder / "app" / "title.js")

    def test_serves_the_folder_reloads_on_changes_and_closes(self):
        app, window = self.start_dev()
        first = app.wait_for_caption(window, lambda c: c.startswith("one runtime=false load="))
        self.assertEqual(app.geometry(window)[2:], (500, 400))

        started = time.monotonic()
        self.set_title("two")
        app.wait_for_caption(window, lambda c: c.startswith("two runtime=false"), 10)
        print(f"reload seen after {time.monotonic() - started:.3f} s", file=sys.stderr)

        # A folder created after the start is watched too.
        # A reload shows "loading" first, then the page's full title with a new
        # load number: wait for the latter each time.
        def reloaded(previous):
            return lambda c: c.startswith("two runtime=false load=") and c != previous

        before = app.caption(window)
        (self.folder / "app" / "sub").mkdir()
        after_mkdir = app.wait_for_caption(window, reloaded(before), 10)
        time.sleep(0.5)
        (self.folder / "app" / "sub" / "data.txt").write_text("x")
        app.wait_for_caption(window, reloaded(after_mkdir), 10)
        self.assertNotEqual(first, after_mkdir)
        time.sleep(0.5)  # past the quiet time, so the next change is a reload of its own

        self.set_title("close")
        self.assertEqual(app.wait(20), 0)
        out = app.stdout()
        err = app.stderr()
        self.assertIn(f"{self.folder}/app/", out)
        self.assertRegex(err, re.compile(r"^zel dev: reloaded \(title\.js changed\)$", re.M))
        self.assertRegex(err, re.compile(r"^zel dev: reloaded \(sub/data\.txt changed\)$", re.M))

    def test_calls_that_need_the_runtime_show_a_message_and_get_no_reply(self):
        app, window = self.start_dev("gate")
        app.wait_for_caption(window, lambda c: c.startswith("gate runtime=false"))
        wait_until(lambda: len(app.xdotool("search", "--onlyvisible", "--pid", str(app.process.pid)).split()) >= 2,
                   20, "no message box appeared")
        time.sleep(1)
        self.assertTrue(app.caption(window).startswith("gate runtime=false"))


if __name__ == "__main__":
    import unittest
    unittest.main()
