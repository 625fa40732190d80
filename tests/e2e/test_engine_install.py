"""The engine check and the engine's installation. The runtime template
needs no WebKitGTK; a package whose engine library reports no engine (a test
build that does so until a marker file exists, then hands over to the real
engine) goes through every branch under openbox: installing switched off,
refused at the prompt, an installer that works (the busy window animates,
the application starts again and opens its page), fails or hangs. The real
installer script passes shellcheck and shows in its dry run what it would
run."""

import json
import os
import signal
import subprocess
import sys
import time
import unittest
from pathlib import Path

from harness import BIN_DIR, E2ETestCase, wait_until

HERE = Path(__file__).resolve().parent
INSTALLER = HERE.parents[1] / "resources" / "installer" / "zel-engine-install.sh"
ENGINE_ABSENT = BIN_DIR / "zel-test-engine-absent.so"
APP_ID = "dev.zel.e2e.startup"
PYTHON = "/usr/bin/python3"


class RuntimeTemplateTest(unittest.TestCase):
    def needed(self, path):
        out = subprocess.run(["readelf", "-d", str(path)], capture_output=True, text=True, check=True).stdout
        return [line.split("[")[1].rstrip("]") for line in out.splitlines() if "(NEEDED)" in line]

    def test_runtime_template_needs_no_webkitgtk(self):
        engine_libraries = ("webkit", "javascriptcore", "soup")
        resolved = subprocess.run(["ldd", str(BIN_DIR / "zel-runtime")], capture_output=True, text=True,
                                  check=True).stdout.lower()
        for name in engine_libraries:
            self.assertNotIn(name, resolved)
        self.assertFalse([n for n in self.needed(BIN_DIR / "zel-runtime") if any(e in n for e in engine_libraries)])
        # The engine library does need it: the check above would see it.
        self.assertIn("libwebkit2gtk-4.1.so.0", self.needed(BIN_DIR / "zel-engine-linux-x64.so"))


class InstallerScriptTest(unittest.TestCase):
    def setUp(self):
        import tempfile
        self.work = Path(tempfile.mkdtemp(prefix="zel-installer-"))

    def tearDown(self):
        import shutil
        shutil.rmtree(self.work, ignore_errors=True)

    def test_installer_passes_shellcheck(self):
        result = subprocess.run(["shellcheck", "--shell=sh", str(INSTALLER)], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def dry_run(self, managers, *args):
        """The script's dry run with only `managers` in PATH; each one, if it
        were run, would leave a file behind."""
        folder = self.work / "-".join(managers or ["none"])
        folder.mkdir()
        for manager in managers:
            program = folder / manager
            program.write_text(f"#!/bin/sh\ntouch '{folder}/{manager}-ran'\n")
            program.chmod(0o755)
        result = subprocess.run(["/bin/sh", str(INSTALLER), "--dry-run", *args], capture_output=True, text=True,
                                env={"PATH": str(folder)})
        self.assertEqual(list(folder.glob("*-ran")), [], "a dry run ran the package manager")
        return result

    def test_dry_run_prints_the_package_managers_commands(self):
        cases = {
            ("apt-get",): [
                "env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -q update",
                "env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -q -y install "
                "libwebkit2gtk-4.1-0"],
            ("dnf",): ["dnf -y install webkit2gtk4.1"],
            ("zypper",): ["zypper --non-interactive install libwebkit2gtk-4_1-0"],
            ("pacman",): ["pacman -S --needed --noconfirm webkit2gtk-4.1"],
            ("pacman", "dnf", "apt-get"): [],  # apt first: filled in below
        }
        cases[("pacman", "dnf", "apt-get")] = cases[("apt-get",)]
        for managers, expected in cases.items():
            with self.subTest(managers=managers):
                result = self.dry_run(list(managers))
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stdout.splitlines(), expected)

    def test_bad_usage_and_no_package_manager(self):
        none = self.dry_run([])
        self.assertEqual(none.returncode, 3)
        self.assertIn("No supported package manager", none.stderr)
        self.assertEqual(none.stdout, "")
        for args in (["--now"], ["--dry-run", "extra"]):
            with self.subTest(args=args):
                result = subprocess.run(["/bin/sh", str(INSTALLER), *args], capture_output=True, text=True)
                self.assertEqual(result.returncode, 2)
                self.assertIn("Usage:", result.stderr)


class EngineInstallTest(E2ETestCase):
    window_manager = True  # the dialogs get the keyboard focus

    def setUp(self):
        super().setUp()
        self.marker = self.work / "engine-installed"
        self.cache = self.home / ".local" / "share" / APP_ID
        # Where the process is not root, the runtime asks pkexec; this one
        # notes its arguments and runs them.
        self.fake_bin = self.work / "bin"
        self.fake_bin.mkdir()
        pkexec = self.fake_bin / "pkexec"
        pkexec.write_text(f"#!/bin/sh\necho \"$@\" >> '{self.work}/pkexec-calls'\nexec \"$@\"\n")
        pkexec.chmod(0o755)

    def stub_installer(self, body):
        """An application's own installer: notes how it was run, then `body`."""
        return f"#!/bin/sh\necho \"$(id -u) $0 $*\" >> '{self.work}/installer-runs'\n{body}\n"

    def start_without_engine(self, settings=None, installer_body=None, extra_env=None):
        extra = {"zel-engine-install.sh": self.stub_installer(installer_body)} if installer_body else None
        exe = self.build("startup", settings, extra, build_args=["--engine", str(ENGINE_ABSENT)])
        env = {"ZEL_TEST_ENGINE_MARKER": str(self.marker), "PATH": f"{self.fake_bin}:{os.environ['PATH']}",
               "NO_AT_BRIDGE": "0", **(extra_env or {})}
        return self.start(exe, extra_env=env)

    def visible(self, app):
        found = app.xdotool("search", "--onlyvisible", "--pid", str(app.process.pid))
        return found.split() if found else []

    def dialog(self, app, caption, timeout=30):
        """The visible window of `app` with `caption`, activated."""
        window = wait_until(lambda: next((w for w in self.visible(app) if app.caption(w) == caption), None), timeout,
                            f"no window {caption!r}; windows: {[app.caption(w) for w in self.visible(app)]}")
        app.xdotool("windowactivate", "--sync", window)
        return window

    def labels(self, app):
        result = subprocess.run([PYTHON, str(HERE / "atspi_menus.py"), str(app.process.pid), "labels"],
                                env=self.display.env(), capture_output=True, text=True, timeout=60)
        return [label["name"] for label in json.loads(result.stdout or "[]") if label["showing"]]

    def wait_for_text(self, app, part, timeout=20):
        return wait_until(lambda: next((t for t in self.labels(app) if part in t), None), timeout,
                          f"no label with {part!r}: {self.labels(app)}")

    def installer_runs(self):
        path = self.work / "installer-runs"
        return path.read_text().splitlines() if path.exists() else []

    def assert_ran_elevated(self):
        """The installer ran once: directly when the runtime is root, else
        through pkexec with /bin/sh and the extracted script."""
        script = self.cache / "zel-engine-install.sh"
        self.assertEqual(self.installer_runs(), [f"{os.geteuid()} {script} "])
        calls = (self.work / "pkexec-calls").read_text().splitlines() if (self.work / "pkexec-calls").exists() else []
        self.assertEqual(calls, [] if os.geteuid() == 0 else [f"/bin/sh {script}"])

    def busy_window(self, app):
        def find():
            for window in self.visible(app):
                if app.geometry(window)[2:] == (80, 80):
                    return window
            return None
        return wait_until(find, 30, "no 80 x 80 busy window")

    def picture(self, region, name):
        shot = self.work / f"{name}.png"
        self.display.screenshot(shot)
        x, y, w, h = region
        return subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "+repage", "rgb:-"],
                              capture_output=True, check=True).stdout

    def test_installing_switched_off_shows_message_6_and_keeps_the_folder(self):
        app = self.start_without_engine({"EdgeInstaller": "0"})
        self.dialog(app, "Error")
        self.wait_for_text(app, "The WebKitGTK runtime is required to run this application. This application "
                                "cannot continue")
        app.xdotool("key", "Return")
        self.assertEqual(app.wait(20), 0)
        self.assertTrue((self.cache / "Linux64" / "zel-engine-linux-x64.so").exists())
        self.assertEqual(self.installer_runs(), [])

    def test_refused_at_the_prompt_shows_message_8_and_deletes_the_folder(self):
        app = self.start_without_engine(installer_body="exit 0")
        self.dialog(app, "Confirm")
        self.wait_for_text(app, "Do you want to install it now?")
        self.assertTrue(self.cache.is_dir())
        app.xdotool("key", "Escape")
        self.dialog(app, "Error")
        self.wait_for_text(app, "This application cannot continue and will be closed now.")
        app.xdotool("key", "Return")
        self.assertEqual(app.wait(20), 0)
        self.assertFalse(self.cache.exists())
        self.assertEqual(self.installer_runs(), [])

    def test_installer_that_works_animates_the_busy_window_and_the_application_starts_again(self):
        app = self.start_without_engine({"InstallFormColor": "255", "InstallIndicatorType": "2"},
                                        f"sleep 5\ntouch '{self.marker}'")
        self.dialog(app, "Confirm")
        app.xdotool("key", "Return")

        busy = self.busy_window(app)
        self.assertEqual(app.frame_extents(busy), [0, 0, 0, 0], "the busy window has a frame")
        x, y, _, _ = app.geometry(busy)
        self.assertLessEqual(abs(x + 40 - 640), 1)
        self.assertLessEqual(abs(y + 40 - 512), 1)
        first = self.picture((x, y, 80, 80), "busy1")
        time.sleep(0.4)
        second = self.picture((x, y, 80, 80), "busy2")
        self.assertNotEqual(first, second, "the indicator does not move")
        self.assertEqual(tuple(first[:3]), (255, 0, 0), "the corner is not the colour of InstallFormColor")
        white = sum(1 for i in range(0, len(first), 3) if first[i:i + 3] == b"\xff\xff\xff")
        self.assertGreater(white, 30, "no white indicator")

        self.assertEqual(app.wait(40), 0)
        self.assert_ran_elevated()
        self.assertFalse((self.cache / "zel-engine-install.sh").exists())
        self.assertTrue((self.cache / "Linux64" / "zel-engine-linux-x64.so").exists())
        # The application started again by itself and opens its page.
        window = wait_until(lambda: app.xdotool("search", "--onlyvisible", "--name", "^Opened$"), 60,
                            "the application did not start again with its page")
        self.assertTrue((self.work / "opened.txt").exists())
        restarted = int(app.xdotool("getwindowpid", window.split()[0]))
        self.assertNotEqual(restarted, app.process.pid)
        # No prompt again, one window.
        self.assertEqual(len(window.split()), 1)

    def test_failing_installer_shows_message_9_with_its_reason_and_deletes_the_folder(self):
        app = self.start_without_engine(
            installer_body="echo 'E: first problem' >&2\necho 'Simulated failure: no mirror answers.' >&2\nexit 100")
        self.dialog(app, "Confirm")
        app.xdotool("key", "Return")
        self.dialog(app, "Error")
        text = self.wait_for_text(app, "Simulated failure")
        self.assertEqual(text, "You cancel the installation of WebKitGTK runtime, This application cannot continue "
                               "and will be closed now.\n\nSimulated failure: no mirror answers.")
        self.assert_ran_elevated()
        app.xdotool("key", "Return")
        self.assertEqual(app.wait(20), 0)
        self.assertFalse(self.cache.exists())
        self.assertEqual(app.xdotool("search", "--onlyvisible", "--name", "^Opened$"), "")

    def test_hanging_installer_is_given_up_after_the_time_limit_and_left_running(self):
        app = self.start_without_engine(installer_body=f"echo $$ > '{self.work}/installer-pid'\nexec sleep 120",
                                        extra_env={"ZEL_ENGINE_INSTALL_TIME_LIMIT": "3"})
        self.dialog(app, "Confirm")
        app.xdotool("key", "Return")
        self.busy_window(app)
        started = time.monotonic()
        self.dialog(app, "Error", timeout=60)
        self.assertGreaterEqual(time.monotonic() - started, 1.5)
        self.wait_for_text(app, "The installer did not finish within the time allowed (1 min) and may still be "
                                "running.")
        app.xdotool("key", "Return")
        self.assertEqual(app.wait(20), 0)
        self.assertFalse(self.cache.exists())
        # Not stopped halfway: it goes on after the application has ended.
        pid = int((self.work / "installer-pid").read_text())
        os.kill(pid, 0)
        os.kill(pid, signal.SIGKILL)
