"""End-to-end harness: packages test applications with `zel build` and runs
them under their own Xvfb display (with openbox where window state matters)
in the real engine, with a private home folder per test.

A test application reports to the harness through its window caption (with
DynamicAppTitle=1 the caption follows document.title) or, once the bridge is
there, through files it writes.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BIN_DIR = Path(os.environ.get("ZEL_BIN_DIR", Path(__file__).resolve().parents[2] / "build" / "bin"))
APPS_DIR = Path(__file__).resolve().parent / "apps"


class Display:
    """An Xvfb server, optionally with openbox, stopped with the object."""

    def __init__(self, window_manager=False, size="1280x1024", runtime_dir=None):
        self._processes = []
        # Xvfb picks a free display itself and writes its number to a pipe,
        # so tests running side by side never race for one. Without -noreset
        # the server resets whenever its last client leaves (a polling
        # xdotool, say), and a client connecting meanwhile fails to open it.
        read_end, write_end = os.pipe()
        self.log = tempfile.TemporaryFile()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size}x24", "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=self.log, pass_fds=(write_end,))
        os.close(write_end)
        self._processes.append(xvfb)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.number = int(number)
        self.name = f":{self.number}"
        # A session bus of the display's own: without one GTK and WebKit
        # autolaunch buses (and accessibility daemons) that outlive the test.
        # What the bus starts (the accessibility bus) keeps its sockets in
        # `runtime_dir`: shared, tests running side by side would take each
        # other's.
        bus_env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime_dir)) if runtime_dir else None
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], env=bus_env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self._processes.append(bus)
        self.bus_address = bus.stdout.readline().strip()
        if window_manager:
            wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self._processes.append(wm)
            wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.xprop_root(), 30,
                       "openbox did not start")

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env

    def xprop_root(self):
        result = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                                capture_output=True, text=True)
        return result.stdout

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", str(path)], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def server_log(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def close(self):
        stop_processes(reversed(self._processes))


def stop_processes(processes):
    """Ends each process, by force when it does not end within 5 s."""
    for process in processes:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def wait_until(condition, timeout, message):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(message)


def build_app(source, output, extra_files=None, settings=None, build_args=()):
    """Copies the application folder `source`, adjusts zel.ini and packages it
    (`build_args` go to `zel build`)."""
    work = Path(tempfile.mkdtemp(prefix="zel-e2e-app-"))
    try:
        folder = work / "app"
        shutil.copytree(source, folder)
        if settings:
            ini = folder / "zel.ini"
            text = ini.read_text(encoding="utf-8")
            for key, value in settings.items():
                text += f"{key}={value}\n"
            ini.write_text(text, encoding="utf-8")
        for name, content in (extra_files or {}).items():
            path = folder / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content if isinstance(content, bytes) else content.encode())
        subprocess.run([str(BIN_DIR / "zel"), "build", str(folder), "-o", str(output), *build_args], check=True,
                       stdout=subprocess.DEVNULL)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return output


def app_environment(display, home, extra_env=None):
    """The environment of an application on `display` with the home folder `home`."""
    env = display.env()
    env.update({
        "HOME": str(home),
        "XDG_DATA_HOME": str(home / ".local" / "share"),
        "XDG_CONFIG_HOME": str(home / ".config"),
        "XDG_CACHE_HOME": str(home / ".cache"),
        "XDG_RUNTIME_DIR": str(home / "run"),
        "NO_AT_BRIDGE": "1",
        "WEBKIT_DISABLE_DMABUF_RENDERER": "1",
        "LC_ALL": "C.UTF-8",
    })
    (home / "run").mkdir(parents=True, exist_ok=True, mode=0o700)
    env.update(extra_env or {})
    return env


class App:
    """A running packaged executable with its own home folder."""

    _count = 0

    def __init__(self, display, executable, home, args=(), extra_env=None):
        self.display = display
        self.env = env = app_environment(display, home, extra_env)
        # Output goes to files, never to pipes nobody drains while the test
        # waits (a full pipe would stall the application).
        App._count += 1
        self.output_paths = (home.parent / f"app{App._count}.stdout", home.parent / f"app{App._count}.stderr")
        self.executable = executable
        with open(self.output_paths[0], "wb") as out, open(self.output_paths[1], "wb") as err:
            self.process = subprocess.Popen([str(executable), *args], env=env, stdout=out, stderr=err,
                                            start_new_session=True)

    def stdout(self):
        return self.output_paths[0].read_text(errors="replace")

    def stderr(self):
        return self.output_paths[1].read_text(errors="replace")

    def wait(self, timeout=20):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the application did not end in time")

    def kill(self):
        self.status_before_kill = self.process.poll()
        if self.status_before_kill is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.display.env(), capture_output=True, text=True)
        return result.stdout.strip()

    def window_id(self, timeout=20):
        """The application's visible top-level window."""
        return wait_until(lambda: self.xdotool("search", "--onlyvisible", "--pid", str(self.process.pid)).split("\n")[0],
                          timeout, "the application shows no window")

    def caption(self, window):
        return self.xdotool("getwindowname", window)

    def wait_for_caption(self, window, predicate, timeout=20):
        return wait_until(lambda: (lambda c: c if predicate(c) else None)(self.caption(window)), timeout,
                          f"caption never matched; last: {self.caption(window)!r}")

    def frame_extents(self, window):
        """Left, right, top, bottom of the window manager's frame (0s without one)."""
        out = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], env=self.display.env(),
                             capture_output=True, text=True).stdout
        if "=" not in out:
            return [0, 0, 0, 0]
        return [int(v) for v in out.split("=")[1].split(",")]

    def client_geometry(self, window):
        """The client window's absolute position and size, without the window
        manager's frame."""
        info = subprocess.run(["xwininfo", "-id", window], env=self.display.env(),
                              capture_output=True, text=True).stdout
        values = {}
        for line in info.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"],
                values["Height"])

    def geometry(self, window):
        """Outer frame position and size: the client's absolute geometry
        grown by the window manager's frame extents."""
        x, y, width, height = self.client_geometry(window)
        left, right, top, bottom = self.frame_extents(window)
        return (x - left, y - top, width + left + right, height + top + bottom)

    def net_wm_state(self, window):
        return subprocess.run(["xprop", "-id", window, "_NET_WM_STATE"], env=self.display.env(),
                              capture_output=True, text=True).stdout


class E2ETestCase(unittest.TestCase):
    """Gives each test a display, a home folder and a work folder."""

    window_manager = False

    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="zel-e2e-"))
        self.home = self.work / "home"
        self.home.mkdir()
        (self.home / "run").mkdir(mode=0o700)
        self.display = Display(window_manager=self.window_manager, runtime_dir=self.home / "run")
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.kill()
        if self._failed():
            for app in self.apps:
                status = ("still running" if app.status_before_kill is None
                          else f"ended with {app.status_before_kill}")
                print(f"--- output of {app.executable.name} (pid {app.process.pid}, {status}) ---\n"
                      f"{app.stdout()[-4000:]}{app.stderr()[-8000:]}", file=sys.stderr)
        self.display.close()
        # Helpers that the session bus started for the test (accessibility
        # buses under the test's runtime folder) end with it.
        subprocess.run(["pkill", "-f", str(self.work)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.work, ignore_errors=True)

    def _failed(self):
        # The result already holds this test's failure when tearDown runs.
        result = getattr(getattr(self, "_outcome", None), "result", None)
        return result is not None and any(test is self for test, _ in result.failures + result.errors)

    def build(self, app_name, settings=None, extra_files=None, output_name=None, build_args=()):
        return build_app(APPS_DIR / app_name, self.work / (output_name or app_name), extra_files, settings,
                         build_args)

    def step(self, n, timeout=30):
        """The results of step n of a page that writes out/step-N.json beside
        the executable (or out/error.json) and waits for out/go-N."""
        path = self.work / "out" / f"step-{n}.json"
        error = self.work / "out" / "error.json"

        def ready():
            if error.exists():
                raise AssertionError("the page failed: " + error.read_text(encoding="utf-8-sig"))
            return path.exists() and path.read_text(encoding="utf-8-sig").strip()

        return json.loads(wait_until(ready, timeout, f"the page never finished step {n}"))

    def go(self, *steps):
        """Lets the page go on after the given steps."""
        (self.work / "out").mkdir(exist_ok=True)
        for n in steps:
            (self.work / "out" / f"go-{n}").write_text("")

    def start(self, executable, args=(), extra_env=None):
        app = App(self.display, executable, self.home, args, extra_env)
        self.apps.append(app)
        return app
