"""Start-up, page-load, memory and bridge figures of a packaged application,
each next to the same measurement of the minimal WebKitGTK program
(bench/floor/MinimalWebKit.c) in the same run and environment.

Pages report through their title, which both programs mirror in the window
caption; times are taken by the page's own clock (performance.timeOrigin +
performance.now()), so polling the caption adds nothing to them.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BIN = Path(os.environ.get("ZEL_BIN_DIR", ROOT / "build" / "bin"))
RUNS = int(os.environ.get("ZEL_BENCH_RUNS", "10"))

PAGE = """<!doctype html><html><head><meta charset="utf-8"><title>bench</title>
<script>
const now = () => performance.timeOrigin + performance.now();
const report = (text) => { document.title = text; };
const mode = '@MODE@';
// One call to the host: the bridge in zel, the bare message handler in the floor.
function call() {
  if (window.zel) return zel.hello();
  return new Promise((resolve) => {
    window.__pong = resolve;
    window.webkit.messageHandlers.host.postMessage(JSON.stringify({ id: 10001 }));
  });
}
async function run() {
  if (mode === 'start') report('T:' + now());
  if (mode === 'first') { await call(); report('T:' + now()); }
  if (mode === 'roundtrip') {
    for (let i = 0; i < 200; i++) await call();
    const n = 2000, start = performance.now();
    for (let i = 0; i < n; i++) await call();
    report('R:' + ((performance.now() - start) * 1000 / n));
  }
  if (mode === 'page') {
    const start = performance.now();
    await Promise.all(Array.from({ length: 1000 }, (_, i) => fetch(`files/f${i}.txt`).then((r) => r.text())));
    report('P:' + (performance.now() - start));
  }
}
run();
</script></head><body>bench</body></html>
"""


class Display:
    def __init__(self):
        number = 120
        while Path(f"/tmp/.X11-unix/X{number}").exists() or Path(f"/tmp/.X{number}-lock").exists():
            number += 1
        self.name = f":{number}"
        self.process = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not Path(f"/tmp/.X11-unix/X{number}").exists():
            if time.monotonic() > deadline:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.05)
        # A session bus of the run's own: without one GTK and WebKit start
        # buses of their own that outlive the benchmark.
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.bus_address = self.bus.stdout.readline().strip()

    def close(self):
        for process in (self.bus, self.process):
            process.terminate()
            process.wait()


def make_site(folder):
    (folder / "files").mkdir(parents=True)
    for mode in ("start", "first", "page", "roundtrip"):
        (folder / f"{mode}.html").write_text(PAGE.replace("@MODE@", mode))
    for i in range(1000):
        (folder / "files" / f"f{i}.txt").write_text(f"file {i} " + "x" * 200)


def caption_of(display, pid):
    env = dict(os.environ, DISPLAY=display.name)
    ids = subprocess.run(["xdotool", "search", "--pid", str(pid), "--name", ":"], env=env,
                         capture_output=True, text=True).stdout.split()
    for window in ids:
        name = subprocess.run(["xdotool", "getwindowname", window], env=env, capture_output=True,
                              text=True).stdout.strip()
        if len(name) > 2 and name[1] == ":":
            return name
    return None


def resident_mib(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0.0


def run_once(display, command, env, want_rss=False):
    """Starts `command`, waits for its page's report, returns (report, t0, rss)."""
    t0 = time.time() * 1000
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        deadline = time.monotonic() + 60
        report = None
        while report is None:
            if time.monotonic() > deadline or process.poll() is not None:
                raise RuntimeError(f"no report from {command[0]}")
            report = caption_of(display, process.pid)
            if report is None:
                time.sleep(0.02)
        rss = None
        if want_rss:
            time.sleep(1)
            rss = resident_mib(process.pid)
        return report, t0, rss
    finally:
        os.killpg(process.pid, 9)
        process.wait()


def main():
    work = Path(tempfile.mkdtemp(prefix="zel-bench-"))
    display = Display()
    try:
        site = work / "site"
        make_site(site)
        app = work / "app"
        shutil.copytree(site, app / "web")
        (app / "zel.ini").write_text("[App]\nID=bench.engine\nName=bench\nDirName=web\nDynamicAppTitle=1\n")
        exe = work / "bench-app"
        subprocess.run([str(BIN / "zel"), "build", str(app), "-o", str(exe)], check=True,
                       stdout=subprocess.DEVNULL)
        home = work / "home"
        (home / "run").mkdir(parents=True)
        os.chmod(home / "run", 0o700)
        env = dict(os.environ, DISPLAY=display.name, DBUS_SESSION_BUS_ADDRESS=display.bus_address,
                   NO_AT_BRIDGE="1", WEBKIT_DISABLE_DMABUF_RENDERER="1",
                   HOME=str(home), XDG_DATA_HOME=str(home / "data"), XDG_CONFIG_HOME=str(home / "config"),
                   XDG_RUNTIME_DIR=str(home / "run"))

        def zel(mode):
            ini = app / "zel.ini"
            text = ini.read_text().split("IndexHtml=")[0]
            ini.write_text(text + f"IndexHtml={mode}.html\n")
            subprocess.run([str(BIN / "zel"), "build", str(app), "-o", str(exe)], check=True,
                           stdout=subprocess.DEVNULL)
            return [str(exe)]

        def floor(mode):
            (site / "index.html").write_text(PAGE.replace("@MODE@", mode))
            return [str(BIN / "zel_bench_floor"), str(site)]

        # The first run of each warms the disk cache and the engine's data folder.
        results = {}
        for name, make in (("", zel), ("_floor", floor)):
            for mode in ("start", "first", "page", "roundtrip"):
                command = make(mode)
                run_once(display, command, env)
                samples, rss = [], []
                for _ in range(RUNS if mode in ("start", "first") else 3):
                    report, t0, resident = run_once(display, command, env, want_rss=(mode == "start"))
                    value = float(report[2:])
                    samples.append(value - t0 if report[0] == "T" else value)
                    if resident is not None:
                        rss.append(resident)
                results[mode + name] = statistics.median(samples)
                if rss:
                    results["rss" + name] = statistics.median(rss)

        def line(name, value, unit):
            print(f"BENCH {name} {value:.2f} {unit}")

        def compared(name, key, unit, ratio=True):
            line(f"{name}_{unit.lower()}", results[key], unit)
            line(f"{name}_floor_{unit.lower()}", results[key + "_floor"], unit)
            if ratio:
                line(f"{name}_ratio", results[key] / results[key + "_floor"], "x")

        compared("start", "start", "ms")
        compared("page1000", "page", "ms")
        compared("rss", "rss", "MiB", ratio=False)
        compared("roundtrip", "roundtrip", "us")
        compared("first_call", "first", "ms")
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
