"""The showcase application: driven packaged through WebKitWebDriver with
Selenium (as users test their own applications), and toured under `zel dev`.
Every page must render without a script error."""

import shutil
import socket
import subprocess
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.webkitgtk.options import Options

from harness import BIN_DIR, E2ETestCase, app_environment, build_app, stop_processes, wait_until

SHOWCASE = Path(__file__).resolve().parents[2] / "examples" / "showcase"
PAGES = ["home", "window", "dialogs", "files", "editor", "shell", "registry", "system", "menus", "themes"]


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


class ShowcaseTest(E2ETestCase):
    window_manager = True

    def start_driver(self, env):
        port = free_port()
        log = open(self.work / "driver.log", "wb")
        driver = subprocess.Popen(["WebKitWebDriver", f"--port={port}"], env=env, stdout=log, stderr=log)
        self.addCleanup(stop_processes, [driver])
        self.addCleanup(log.close)
        wait_until(lambda: listening(port), 20, "the driver did not start")
        return port, driver

    def test_webdriver_drives_the_packaged_showcase(self):
        exe = build_app(SHOWCASE, self.work / "showcase")
        temp = self.work / "tmp"
        temp.mkdir()
        port, _ = self.start_driver(app_environment(self.display, self.home, {"TMPDIR": str(temp)}))

        options = Options()
        options.binary_location = str(exe)
        options.add_argument("--automation")
        options.set_capability("browserName", "zel")
        session = webdriver.Remote(command_executor=f"http://127.0.0.1:{port}", options=options)
        try:
            self.assertEqual(session.title, "zel Showcase")
            wait_until(lambda: session.find_element(By.ID, "runtime-badge").text == "packaged", 20,
                       "the page never learnt from the bridge that it runs packaged")

            # Every page, by its link, renders without a script error.
            for name in PAGES:
                session.find_element(By.CSS_SELECTOR, f'nav a[data-page="{name}"]').click()
                wait_until(lambda: session.execute_script("return document.getElementById('page').dataset.page")
                           == name, 10, f"the {name} page was not shown")
            time.sleep(0.5)
            self.assertEqual(session.execute_script("return window.showcaseErrors"), [])

            # A click calls the bridge; the reply is shown and the file is there.
            session.find_element(By.CSS_SELECTOR, 'nav a[data-page="files"]').click()
            session.find_element(By.CSS_SELECTOR, 'button[data-function="files.writeTextFile"]').click()
            reply = session.find_element(By.CSS_SELECTOR, 'pre[data-function="files.writeTextFile"]')
            wait_until(lambda: reply.text.startswith("→"), 10, f"no reply shown: {reply.text!r}")
            self.assertEqual(reply.text, "→ true")
            self.assertEqual((temp / "zel-showcase.txt").read_bytes(),
                             b"\xef\xbb\xbfHello from zel\r\nSecond line\r\n")

            session.find_element(By.CSS_SELECTOR, 'button[data-function="folders.getTempDir"]').click()
            reply = session.find_element(By.CSS_SELECTOR, 'pre[data-function="folders.getTempDir"]')
            wait_until(lambda: reply.text.startswith("→"), 10, f"no reply shown: {reply.text!r}")
            self.assertEqual(reply.text, f'→ "{temp}/"')

            png = session.get_screenshot_as_png()
            (self.work / "showcase-webdriver.png").write_bytes(png)
            self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
            self.assertGreater(len(png), 10000)  # a page, not a blank image
        finally:
            session.quit()
        # Ending the session closes the application.
        wait_until(lambda: subprocess.run(["pgrep", "-f", str(exe)], capture_output=True).returncode != 0, 20,
                   "the application outlived its session")

    def test_every_page_runs_under_zel_dev(self):
        folder = self.work / "showcase"
        shutil.copytree(SHOWCASE, folder)
        (folder / "app" / "tour.html").write_text("<script>location.replace('index.html#/tour')</script>\n")
        ini = folder / "zel.ini"
        ini.write_text(ini.read_text().replace("IndexHtml=index.html", "IndexHtml=tour.html"))
        app = self.start(BIN_DIR / "zel", args=("dev", str(folder)))
        window = app.window_id()
        caption = app.wait_for_caption(window, lambda c: c.startswith("tour done"), 60)
        self.assertEqual(caption, "tour done: 0 errors")


class AutomationGateTest(E2ETestCase):
    def test_only_the_drivers_command_line_opens_the_inspector_port(self):
        # The package asks for automation itself; only "--automation" with
        # the driver's address may open the port.
        exe = build_app(SHOWCASE, self.work / "showcase",
                        settings={"WebviewArguments": "--disable-web-security --enable-automation"})
        for args, opens in (((), False), (("--automation",), True)):
            port = free_port()
            app = self.start(exe, args=args, extra_env={"WEBKIT_INSPECTOR_SERVER": f"127.0.0.1:{port}"})
            app.window_id()
            if opens:
                wait_until(lambda: listening(port), 20, "the driver's command line opened no port")
            else:
                time.sleep(3)
                self.assertFalse(listening(port), "a port opened without the driver's command line")
            app.kill()
