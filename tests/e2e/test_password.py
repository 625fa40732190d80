"""The password prompt of a packaged application under openbox, driven with
xdotool: its caption, size and place, wrong and exact text, Escape and the
close box, and a second window of the application that skips it. Nothing of
the application runs before the prompt lets it."""

import subprocess
import time

from harness import E2ETestCase, wait_until

APP_ID = "dev.zel.e2e.startup"
APP_NAME = "Startup E2E"
PASSWORD = "Zel s3cret"


class PasswordPromptTest(E2ETestCase):
    window_manager = True  # the prompt gets the keyboard focus

    def start_with_password(self):
        exe = self.build("startup", {"Password": PASSWORD})
        app = self.start(exe)
        prompt = app.window_id()
        app.xdotool("windowactivate", "--sync", prompt)
        return exe, app, prompt

    def client_geometry(self, window):
        info = subprocess.run(["xwininfo", "-id", window], env=self.display.env(), capture_output=True,
                              text=True).stdout
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            if key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                values[key] = int(value)
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"],
                values["Height"])

    def visible(self, app):
        found = app.xdotool("search", "--onlyvisible", "--pid", str(app.process.pid))
        return found.split() if found else []

    def assert_still_waiting(self, app, prompt):
        time.sleep(1)  # a prompt that were closing would be gone by now
        self.assertIsNone(app.process.poll())
        self.assertEqual(self.visible(app), [prompt])
        self.assertFalse((self.work / "opened.txt").exists(), "the application ran before the password")

    def test_wrong_text_keeps_it_open_and_the_exact_text_opens_the_application(self):
        _, app, prompt = self.start_with_password()
        self.assertEqual(app.caption(prompt), APP_NAME)
        self.assertEqual(self.client_geometry(prompt)[2:], (308, 71))
        # Centred on the screen; the window manager's caption bar may push
        # the frame down by part of its height.
        x, y, width, height = app.geometry(prompt)
        self.assertLessEqual(abs(x + width / 2 - 640), 2)
        self.assertLessEqual(abs(y + height / 2 - 512), app.frame_extents(prompt)[2])
        self.assert_still_waiting(app, prompt)

        # Other letter case, a trailing blank (typed first, then the
        # password before it, so that no key release sees the password
        # alone), the password without its last letter.
        for keys in (["zel s3cret"], [" ", "Home", PASSWORD], [PASSWORD[:-1]]):
            with self.subTest(keys=keys):
                for item in keys:
                    if item == "Home":
                        app.xdotool("key", "Home")
                    else:
                        app.xdotool("type", "--delay", "20", item)
                self.assert_still_waiting(app, prompt)
                app.xdotool("key", "ctrl+a", "BackSpace")
        # Enter and Escape do nothing of their own.
        app.xdotool("key", "Return", "Escape")
        self.assert_still_waiting(app, prompt)

        app.xdotool("type", "--delay", "20", PASSWORD)
        window = wait_until(lambda: [w for w in self.visible(app) if w != prompt], 40,
                            "no main window after the password")[0]
        app.wait_for_caption(window, lambda c: c == "Opened", 40)
        self.assertTrue((self.work / "opened.txt").exists())
        self.assertNotIn(prompt, self.visible(app))

    def test_close_box_ends_the_process_with_zero_and_nothing_else_shows(self):
        _, app, prompt = self.start_with_password()
        app.xdotool("type", "--delay", "20", "nope")
        app.xdotool("key", "alt+F4")  # openbox closes the active window
        self.assertEqual(app.wait(20), 0)
        self.assertFalse((self.work / "opened.txt").exists())

    def test_second_window_started_with_the_application_id_skips_it(self):
        exe, first, prompt = self.start_with_password()
        first.xdotool("type", "--delay", "20", PASSWORD)
        main = wait_until(lambda: [w for w in self.visible(first) if w != prompt], 40,
                          "no main window after the password")[0]
        first.wait_for_caption(main, lambda c: c == "Opened", 40)

        second = self.start(exe, [APP_ID, "file:///other.html"])
        window = second.window_id(40)
        # Its first window is the page, never a prompt.
        self.assertEqual(second.wait_for_caption(window, lambda c: c != APP_NAME, 40), "Other page")
        self.assertEqual(self.visible(second), [window])
        self.assertIsNone(first.process.poll())
