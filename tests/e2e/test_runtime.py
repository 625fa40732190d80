"""The packaged runtime in the real engine: window settings, resources served
from the package, instances, start-up refusals, local storage, the bridge
transport, the close protocol, the bridge's origin check and media. Most
cases use the application tests/e2e/apps/runtime and pick its page with
IndexHtml."""

import functools
import http.server
import io
import json
import shutil
import signal
import subprocess
import sys
import threading
import time
import unittest
import zipfile
from pathlib import Path

from harness import BIN_DIR, E2ETestCase, build_app, wait_until

BOM = b"\xef\xbb\xbf"
APP_ID = "dev.zel.e2e.runtime"
APP_NAME = "Runtime E2E"


def result_of(caption):
    return json.loads(caption[len("RESULT "):])


class RuntimeTestCase(E2ETestCase):
    def build_page(self, page, settings=None, extra_files=None, output_name=None):
        return self.build("runtime", {"IndexHtml": page, **(settings or {})}, extra_files,
                          output_name or page.split(".")[0])

    def page_result(self, page, settings=None, extra_files=None, timeout=30):
        app = self.start(self.build_page(page, settings, extra_files))
        try:
            window = app.window_id(40)
        except AssertionError:
            if app.process.poll() is None:
                raise
            self.fail(f"ended with {app.process.returncode} before showing a window: "
                      f"{app.stderr()[-2000:]!r}")
        return result_of(app.wait_for_caption(window, lambda c: c.startswith("RESULT "), timeout))

    def visible_windows(self, app):
        found = app.xdotool("search", "--onlyvisible", "--pid", str(app.process.pid))
        return found.split() if found else []


class ShowcaseTest(RuntimeTestCase):
    window_manager = True

    def test_showcase_opens_centred_with_its_caption_and_draws_its_page(self):
        exe = build_app(Path(__file__).resolve().parents[2] / "examples" / "showcase", self.work / "showcase")
        app = self.start(exe)
        window = app.window_id()
        app.wait_for_caption(window, lambda c: c == "zel Showcase")
        wait_until(lambda: app.geometry(window)[2:] == (960, 680), 10,
                   f"frame is {app.geometry(window)}, not 960x680")
        x, y, width, height = app.geometry(window)
        self.assertEqual((x, y), ((1280 - width) // 2, (1024 - height) // 2))
        time.sleep(1)  # let the page paint before the picture is taken
        shot = self.work / "shot.png"
        self.display.screenshot(shot)
        crop = subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                               "-format", "%k", "info:"], capture_output=True, text=True, check=True)
        self.assertGreater(int(crop.stdout), 50, "the window shows (almost) a single colour")


class ResourcesTest(RuntimeTestCase):
    def test_page_loads_styles_scripts_modules_data_and_images_from_the_package(self):
        r = self.page_result("resources.html")
        self.assertEqual(r, {
            "classic": "classic",
            "otherCase": "other",  # <script src="JS/Other.JS"> for the entry js/other.js
            "module": "module+helper",
            "color": "rgb(1, 2, 3)",
            "fetch": [200, {"answer": 42, "text": "h\u00e9"}],
            "imageWidth": 7,
        })


class TitleTest(RuntimeTestCase):
    def test_caption_follows_the_document_title_only_with_dynamic_title(self):
        for dynamic, expected in (("1", "Title three"), ("0", APP_NAME)):
            with self.subTest(DynamicAppTitle=dynamic):
                exe = self.build_page("title.html", {"DynamicAppTitle": dynamic},
                                      output_name=f"title{dynamic}")
                app = self.start(exe)
                window = app.window_id()
                mark = self.work / "title-done.txt"
                wait_until(mark.exists, 20, "the second page did not run")
                time.sleep(0.5)  # a title change still on its way would show now
                self.assertEqual(app.caption(window), expected)
                app.kill()
                mark.unlink()


class WindowStyleTest(RuntimeTestCase):
    window_manager = True

    def test_window_settings_give_the_expected_frame(self):
        exe = self.build_page("other.html", {"WindowStyle": "1", "WindowBorder": "3"}, output_name="full")
        app = self.start(exe)
        window = app.window_id()
        wait_until(lambda: "MAXIMIZED" in app.net_wm_state(window) or app.geometry(window)[2:] == (1280, 1024),
                   10, f"not maximized: {app.net_wm_state(window)!r}, frame {app.geometry(window)}")
        client = subprocess.run(["xwininfo", "-id", window], env=self.display.env(), capture_output=True,
                                text=True).stdout
        size = {k: int(line.split(":")[1]) for line in client.splitlines()
                for k in ("Width", "Height") if line.strip().startswith(k + ":")}
        frame = app.geometry(window)
        self.assertEqual(frame[2:], (size["Width"], size["Height"]), "the window has a frame")
        self.assertGreaterEqual(frame[2], 1280)
        app.kill()

        exe = self.build_page("other.html", {"Width": "800", "MinWidth": "1000"}, output_name="wide")
        app = self.start(exe)
        window = app.window_id()
        wait_until(lambda: app.geometry(window)[2] == 1000, 10, f"frame is {app.geometry(window)}")


class InstancesTest(RuntimeTestCase):
    def test_second_start_ends_silently_unless_it_brings_the_id_and_a_page(self):
        exe = self.build_page("resources.html")
        first = self.start(exe)
        first_window = first.window_id()
        first.wait_for_caption(first_window, lambda c: c.startswith("RESULT "))

        second = self.start(exe)
        shown = set()
        deadline = time.monotonic() + 20
        while second.process.poll() is None and time.monotonic() < deadline:
            shown.update(self.visible_windows(second))
            time.sleep(0.05)
        self.assertEqual(second.wait(1), 0)
        self.assertEqual(shown, set())
        self.assertIsNone(first.process.poll())

        beside = self.start(exe, [APP_ID, "file:///other.html"])
        window = beside.window_id()
        beside.wait_for_caption(window, lambda c: c == "Other page")
        self.assertNotEqual(window, first_window)
        self.assertIsNone(first.process.poll())
        self.assertTrue(first.caption(first_window).startswith("RESULT "))


class StartupTest(RuntimeTestCase):
    window_manager = True  # the dialog gets the keyboard focus

    def hand_built(self, ini, name):
        """The runtime template with an unencrypted ZIP appended, holding the
        engine libraries as `zel build` adds them."""
        exe = self.work / name
        shutil.copyfile(BIN_DIR / "zel-runtime", exe)
        exe.chmod(0o755)
        package = io.BytesIO()
        with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as archive:
            archive.writestr("zel.ini", ini)
            archive.writestr("app/index.html", "<title>Hand built</title>Hand built")
            for engine in ("zel-engine-linux-x64.so", "zel-engine-webext.so"):
                archive.write(BIN_DIR / engine, engine)
        with open(exe, "ab") as out:
            out.write(package.getvalue())
        return exe

    def test_package_without_folder_name_ends_silently_before_creating_folders(self):
        for dir_line, opens in (("DirName=app\n", True), ("", False)):
            with self.subTest(opens=opens):
                app_id = f"dev.zel.e2e.hand{int(opens)}"
                ini = f"[App]\nID={app_id}\nName=Hand built\n{dir_line}"
                app = self.start(self.hand_built(ini, f"hand{int(opens)}"))
                if opens:
                    app.wait_for_caption(app.window_id(), lambda c: c == "Hand built")
                    app.kill()
                else:
                    self.assertEqual(app.wait(20), 0)
                    self.assertFalse((self.home / ".local" / "share" / app_id).exists())

    def test_runtime_without_package_shows_an_error_and_ends_with_zero(self):
        exe = self.work / "bare"
        shutil.copyfile(BIN_DIR / "zel-runtime", exe)
        exe.chmod(0o755)
        app = self.start(exe)
        window = app.window_id()
        self.assertEqual(app.caption(window), "Error")
        self.assertIsNone(app.process.poll())
        app.xdotool("windowactivate", "--sync", window)
        app.xdotool("key", "Return")
        self.assertEqual(app.wait(20), 0)


class StorageTest(RuntimeTestCase):
    def test_local_storage_survives_a_restart(self):
        exe = self.build_page("storage.html")
        for start, before in ((1, None), (2, "1")):
            app = self.start(exe)
            self.assertEqual(app.wait(30), 0)
            found = json.loads((self.work / f"storage-{start}.json").read_bytes()[len(BOM):])
            self.assertEqual(found, {"before": before, "text": f"h\u00e9llo {start}"})


class BridgeTest(RuntimeTestCase):
    def test_bridge_answers_its_calls_and_survives_malformed_and_huge_messages(self):
        r = self.page_result("bridge.html", timeout=150)
        print(f"50 MB message answered after {r['bigMs']} ms, deep one after {r['deepMs']} ms", file=sys.stderr)
        self.assertEqual(r["hello"], {"ok": "2024.10"})
        self.assertEqual(r["isRuntime"], {"ok": True})
        self.assertEqual(r["twoInFlight"], ["/tmp/", True])
        for name in ("unknownId", "textId", "noData"):
            self.assertEqual(r[name], "<none>", name)
        self.assertEqual(r["afterMalformed"], {"ok": "2024.10"})
        self.assertEqual(r["numberText"], {"uuid": "a0000000-0000-4000-8000-000000000004",
                                           "success": True, "result": "2024.10"})
        self.assertEqual(r["bigPosted"], True)
        self.assertEqual(r["afterBig"], {"ok": "2024.10"})
        self.assertIsInstance(r["deepPosted"], int, r["deepPosted"])
        self.assertEqual(r["afterDeep"], {"ok": "2024.10"}, f"deep message posted: {r['deepPosted']}")

    def test_ten_thousand_calls_in_flight_all_resolve(self):
        self.assertEqual(self.page_result("many.html", timeout=150), [10000, True])


class CloseTest(RuntimeTestCase):
    window_manager = True

    def close_window(self, app, window):
        app.xdotool("windowactivate", "--sync", window)
        app.xdotool("key", "alt+F4")

    def test_closing_asks_the_page_which_closes_by_default_or_later(self):
        app = self.start(self.build_page("close-default.html"))
        window = app.window_id()
        app.wait_for_caption(window, lambda c: c == "READY")
        self.close_window(app, window)
        self.assertEqual(app.wait(20), 0)

        app = self.start(self.build_page("close-veto.html"))
        window = app.window_id()
        app.wait_for_caption(window, lambda c: c == "READY")
        self.close_window(app, window)
        app.wait_for_caption(window, lambda c: c == "QUERIED 1")
        self.assertIsNone(app.process.poll())
        self.assertEqual(self.visible_windows(app), [window])
        self.assertEqual(app.wait(20), 0)

    def test_the_end_of_the_session_asks_the_page_too(self):
        # Session managers and the system's shutdown send SIGTERM first.
        app = self.start(self.build_page("close-default.html"))
        window = app.window_id()
        app.wait_for_caption(window, lambda c: c == "READY")
        app.process.send_signal(signal.SIGTERM)
        self.assertEqual(app.wait(20), 0)

        app = self.start(self.build_page("close-veto.html"))
        window = app.window_id()
        app.wait_for_caption(window, lambda c: c == "READY")
        app.process.send_signal(signal.SIGTERM)
        app.wait_for_caption(window, lambda c: c == "QUERIED 1")
        self.assertIsNone(app.process.poll())
        self.assertEqual(app.wait(20), 0)

    def test_the_end_of_the_session_while_the_first_page_loads_ends_the_program(self):
        # The request comes before the page can answer: it is asked once it can.
        exe = self.build_page("close-default.html")
        for delay in (0, 0.1, 0.2, 0.3, 0.5):
            with self.subTest(delay=delay):
                app = self.start(exe)
                try:
                    app.window_id()
                    time.sleep(delay)
                    app.process.send_signal(signal.SIGTERM)
                    self.assertEqual(app.wait(20), 0)
                finally:
                    app.kill()  # one left running would hold the next start back


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


REMOTE_SCRIPT = """
// Tries the bridge from a web origin: answered, no answer, or no bridge.
function tryBridge() {
  const webview = window.chrome && window.chrome.webview;
  if (!webview) return Promise.resolve('no bridge');
  return new Promise((resolve) => {
    const uuid = 'b0000000-0000-4000-8000-00000000000' + Math.floor(Math.random() * 10);
    webview.addEventListener('message', (event) => {
      if (event.data && event.data.uuid === uuid) resolve('answered');
    });
    webview.postMessage({ id: 10001, uuid, data: {} });
    setTimeout(() => resolve('no answer'), 3000);
  });
}
"""


class SecurityTest(RuntimeTestCase):
    def serve(self, folder):
        server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=str(folder)))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)
        return server.server_address[1]

    def test_bridge_answers_only_the_application_pages(self):
        site = self.work / "site"
        site.mkdir()
        (site / "frame.html").write_text(f"""<!doctype html><script>{REMOTE_SCRIPT}
tryBridge().then((outcome) => parent.postMessage({{ frame: outcome }}, '*'));
</script>""")
        (site / "remote.html").write_text(f"""<!doctype html><title>remote</title><script>{REMOTE_SCRIPT}
tryBridge().then((outcome) => {{
  const local = JSON.parse(new URLSearchParams(location.search).get('local'));
  document.title = 'RESULT ' + JSON.stringify({{ ...local, remote: outcome }});
}});
</script>""")
        port = self.serve(site)
        r = self.page_result("security.html", extra_files={"app/port.js": f"var PORT = {port};\n"})
        self.assertEqual(r["own"], "2024.10")
        self.assertIn(r["frame"], ("no answer", "no bridge"))
        self.assertIn(r["remote"], ("no answer", "no bridge"))


class MediaTest(RuntimeTestCase):
    def test_packaged_video_plays_and_seeks(self):
        if not shutil.which("gst-launch-1.0"):
            self.skipTest("gst-launch-1.0 is missing (Debian package gstreamer1.0-tools)")
        clip = self.work / "clip.webm"
        subprocess.run(
            ["gst-launch-1.0", "-q", "videotestsrc", "num-buffers=300", "!",
             "video/x-raw,width=320,height=240,framerate=30/1", "!", "vp8enc", "deadline=1", "!",
             "webmmux", "!", "filesink", f"location={clip}"],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        r = self.page_result("video.html", extra_files={"app/media/clip.webm": clip.read_bytes()})
        self.assertNotIn("error", r)
        self.assertNotIn("playError", r)
        self.assertAlmostEqual(r["duration"], 10, delta=0.5)
        self.assertGreaterEqual(r["seekedAt"], 4.5)
        self.assertGreater(r["advancedTo"], r["seekedAt"])


if __name__ == "__main__":
    unittest.main()
