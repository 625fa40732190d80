"""Start-up, first paint, page-load, memory, bridge and large-payload figures
of a packaged application, each next to the same measurement of a floor in the
same run and environment: the minimal WebKitGTK program
(bench/floor/MinimalWebKit.c) for the engine figures, `base64 -d` and `cat`
followed by `sync` for the large files, and for those also the same call
answered by the minimal program's own message handler (`_engine_floor_ms`):
what the bare engine needs to hand the page's text to its host and write it.

Samples are taken in pairs, one of zel and one of the floor, their order
alternating from pair to pair, after a warm-up pair that is not counted; a
ratio is the median of the pairs' ratios and its spread their interquartile
range, printed as `BENCH <name>_spread <q1>-<q3> x`. Choose the number of
pairs with --pairs N (or ZEL_BENCH_PAIRS) and the figures with --only.

Pages report through their title, which both programs mirror in the window
caption; times are taken by the page's own clock (performance.timeOrigin +
performance.now()), so polling the caption adds nothing to them.
"""

import argparse
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

DECODE_BYTES = 200 * 1024 * 1024
TEXT_BYTES = 100 * 1024 * 1024

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
// A large file written by the bare engine's message handler `name` (the floor).
function hostFile(name, contents) {
  return new Promise((resolve, reject) => {
    window.__pong = (result) => (result === 0 ? resolve() : reject(new Error(name + ' failed')));
    window.webkit.messageHandlers[name].postMessage(contents);
  });
}
// Base64 text of `bytes` random bytes, made in steps of 65535 bytes (a
// multiple of three, so the pieces join without fill characters).
function randomBase64(bytes) {
  const parts = [];
  const block = new Uint8Array(65535);
  for (let left = bytes; left > 0; left -= block.length) {
    const piece = left < block.length ? block.subarray(0, left) : block;
    crypto.getRandomValues(piece);
    let binary = '';
    for (let i = 0; i < piece.length; i += 8192)
      binary += String.fromCharCode.apply(null, piece.subarray(i, i + 8192));
    parts.push(btoa(binary));
  }
  return parts.join('');
}
// About `bytes` of text in lines ended by LF, as an export would write.
function text(bytes) {
  const lines = [];
  let size = 0;
  for (let i = 0; size < bytes; i++) {
    const line = `${i},"Caf\\u00e9 order ${i * 7 % 1000}",${(i * 0.37).toFixed(2)},2024-10-01T12:00:00Z,OK`;
    lines.push(line);
    size += line.length + 1;
  }
  const text = lines.join('\\n') + '\\n';
  // The engine joins such text lazily, at its first use; reading a character
  // makes it now, so the call's figure does not include making the page's
  // own text (over a second for this text on a busy machine).
  text.charCodeAt(0);
  return text;
}
// Runs `work` with a 10 ms timer beside it; reports its time and the longest
// gap between the timer's ticks (and the start and end of the call).
async function timedCall(tag, work) {
  report('ready');
  await new Promise((resolve) => setTimeout(resolve, 1000));
  let last = 0, gap = 0;
  const timer = setInterval(() => { const t = performance.now(); gap = Math.max(gap, t - last); last = t; }, 10);
  await new Promise((resolve) => setTimeout(resolve, 50));
  const start = performance.now();
  last = start; gap = 0;
  let failure = '';
  try { await work(); } catch (e) { failure = String(e); }
  const end = performance.now();
  gap = Math.max(gap, end - last);
  clearInterval(timer);
  report(failure ? 'E:' + failure : `${tag}:${end - start}:${gap}`);
}
async function run() {
  if (mode === 'start') report('T:' + now());
  if (mode === 'paint') requestAnimationFrame(() => requestAnimationFrame(() => report('T:' + now())));
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
  if (mode === 'decode') {
    const contents = randomBase64(@DECODE_BYTES@);
    await timedCall('D', () => window.zel ? zel.base64.decodeToFile({ filePath: 'out/decoded.bin', contents })
                                          : hostFile('decodeToFile', contents));
  }
  if (mode === 'writetext') {
    const contents = text(@TEXT_BYTES@);
    await timedCall('W', () => window.zel ? zel.files.writeTextFile({ filePath: 'out/text.txt', contents })
                                          : hostFile('writeText', contents));
  }
}
run();
</script></head><body>bench</body></html>
"""

ENGINE_MODES = ("start", "paint", "first", "page", "roundtrip")
FILE_MODES = ("decode", "writetext")


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


def page(mode):
    return (PAGE.replace("@MODE@", mode).replace("@DECODE_BYTES@", str(DECODE_BYTES))
            .replace("@TEXT_BYTES@", str(TEXT_BYTES)))


def make_site(folder):
    (folder / "files").mkdir(parents=True)
    for mode in ENGINE_MODES + FILE_MODES:
        (folder / f"{mode}.html").write_text(page(mode))
    for i in range(1000):
        (folder / "files" / f"f{i}.txt").write_text(f"file {i} " + "x" * 200)


def private_environment(display, home):
    """The environment the programs run in: the run's display and session bus,
    and a home (data, settings, runtime folder) of its own under `home`."""
    (home / "run").mkdir(parents=True)
    os.chmod(home / "run", 0o700)
    return dict(os.environ, DISPLAY=display.name, DBUS_SESSION_BUS_ADDRESS=display.bus_address,
                NO_AT_BRIDGE="1", WEBKIT_DISABLE_DMABUF_RENDERER="1",
                HOME=str(home), XDG_DATA_HOME=str(home / "data"), XDG_CONFIG_HOME=str(home / "config"),
                XDG_RUNTIME_DIR=str(home / "run"))


def package_app(app, mode, exe):
    """Packages the folder `app` (its pages in web/) as `exe`, starting on the
    page of `mode`; returns `exe`."""
    (app / "zel.ini").write_text("[App]\nID=bench.engine\nName=bench\nDirName=web\n"
                                 f"DynamicAppTitle=1\nIndexHtml={mode}.html\n")
    exe.parent.mkdir()
    subprocess.run([str(BIN / "zel"), "build", str(app), "-o", str(exe)], check=True,
                   stdout=subprocess.DEVNULL)
    return exe


def caption_of(display, pid):
    env = dict(os.environ, DISPLAY=display.name)
    ids = subprocess.run(["xdotool", "search", "--pid", str(pid), "--name", ":|ready"], env=env,
                         capture_output=True, text=True).stdout.split()
    for window in ids:
        name = subprocess.run(["xdotool", "getwindowname", window], env=env, capture_output=True,
                              text=True).stdout.strip()
        if name == "ready" or (len(name) > 2 and name[1] == ":"):
            return name
    return None


def status_mib(pid, field):
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024
    except OSError:
        pass
    return 0.0


def cpu_ms(pid):
    """User and system CPU time the process has used so far, in ms."""
    try:
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def reset_peak(pid):
    """Starts the process's peak resident size (VmHWM) afresh."""
    try:
        Path(f"/proc/{pid}/clear_refs").write_text("5")
    except OSError:
        pass


def web_process_of(pid):
    """The engine's web process started by `pid`, or None."""
    for child in Path("/proc").iterdir():
        if not child.name.isdigit():
            continue
        try:
            fields = (child / "stat").read_text().rsplit(")", 1)[1].split()
            if int(fields[1]) == pid and (child / "comm").read_text().startswith("WebKitWebProces"):
                return int(child.name)
        except (OSError, IndexError, ValueError):
            continue
    return None


class Sample:
    def __init__(self, report, t0):
        self.report, self.t0 = report, t0
        self.rss = None
        self.growth = {}
        self.cpu = {}


def run_once(display, command, env, want_rss=False, timeout=120):
    """Starts `command`, waits for its page's report and returns a Sample."""
    t0 = time.time() * 1000
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        deadline = time.monotonic() + timeout
        before = {}
        while True:
            if time.monotonic() > deadline or process.poll() is not None:
                raise RuntimeError(f"no report from {command[0]}")
            report = caption_of(display, process.pid)
            if report == "ready" and not before:
                web = web_process_of(process.pid)
                for name, pid in (("ui", process.pid), ("web", web)):
                    if pid:
                        reset_peak(pid)
                        before[name] = (pid, status_mib(pid, "VmRSS"), cpu_ms(pid))
            elif report is not None and report != "ready":
                break
            time.sleep(0.02)
        if report.startswith("E:"):
            raise RuntimeError(f"the page failed: {report}")
        sample = Sample(report, t0)
        for name, (pid, rss, cpu) in before.items():
            sample.growth[name] = status_mib(pid, "VmHWM") - rss
            sample.cpu[name] = cpu_ms(pid) - cpu
        if want_rss:
            time.sleep(1)
            sample.rss = status_mib(process.pid, "VmRSS")
        return sample
    finally:
        os.killpg(process.pid, 9)
        process.wait()


def quartiles(values):
    values = sorted(values)
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def line(name, value, unit):
    print(f"BENCH {name} {value:.2f} {unit}", flush=True)


def compared(name, rounds, unit, own="", against="", side=1):
    """Prints the medians of zel and of one floor (`side` in each round), the
    median of the paired ratios and their interquartile range; `against`
    names a second floor of the same figure."""
    pairs = [(values[0], values[side]) for values in rounds]
    if not against:
        line(f"{name}{own}_{unit}", statistics.median(z for z, _ in pairs), unit)
    line(f"{name}_{against}floor_{unit}", statistics.median(f for _, f in pairs), unit)
    ratios = [z / f for z, f in pairs]
    line(f"{name}_{against}ratio", statistics.median(ratios), "x")
    low, high = quartiles(ratios)
    print(f"BENCH {name}_{against}spread {low:.2f}-{high:.2f} x", flush=True)


def interleaved(pairs, *samplers):
    """A warm-up round, then `pairs` rounds of one sample of each sampler
    (zel first), the order rotating from round to round so that the
    machine's drift hits every side alike; returns the values of the counted
    rounds in the samplers' order."""
    rounds = []
    for index in range(pairs + 1):
        values = [None] * len(samplers)
        for step in range(len(samplers)):
            which = (index + step) % len(samplers)
            values[which] = samplers[which](index)
        if index > 0:
            rounds.append(tuple(values))
    return rounds


def timed_shell(command):
    start = time.monotonic()
    subprocess.run(["sh", "-c", command], check=True)
    return (time.monotonic() - start) * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pairs", type=int, default=int(os.environ.get("ZEL_BENCH_PAIRS", "15")),
                        help="counted pairs of samples per figure (default 15)")
    parser.add_argument("--only", default=os.environ.get("ZEL_BENCH_ONLY", ""),
                        help="comma-separated modes: " + ",".join(ENGINE_MODES + FILE_MODES))
    args = parser.parse_args()
    modes = [m for m in args.only.split(",") if m] or list(ENGINE_MODES + FILE_MODES)
    pairs = max(args.pairs, 1)

    work = Path(tempfile.mkdtemp(prefix="zel-bench-"))
    display = Display()
    try:
        site = work / "site"
        make_site(site)
        app = work / "app"
        shutil.copytree(site, app / "web")
        env = private_environment(display, work / "home")
        # One packaged executable per mode, all of the same application.
        executables = {mode: package_app(app, mode, work / f"bench-{mode}" / "bench-app") for mode in modes}

        def floor_command(mode, output=None):
            (site / "index.html").write_text(page(mode))
            return [str(BIN / "zel_bench_floor"), str(site)] + ([str(output)] if output else [])

        def engine_figure(mode, name, unit, want_rss=False):
            rss = []

            def value_of(sample):
                value = float(sample.report[2:])
                return value - sample.t0 if sample.report[0] == "T" else value

            def zel_sample(index):
                sample = run_once(display, [str(executables[mode])], env, want_rss and index <= 5)
                if sample.rss is not None and index > 0:
                    rss.append(("zel", sample.rss))
                return value_of(sample)

            def floor_sample(index):
                sample = run_once(display, floor_command(mode), env, want_rss and index <= 5)
                if sample.rss is not None and index > 0:
                    rss.append(("floor", sample.rss))
                return value_of(sample)

            compared(name, interleaved(pairs, zel_sample, floor_sample), unit)
            if rss:
                line("rss_mib", statistics.median(v for k, v in rss if k == "zel"), "MiB")
                line("rss_floor_mib", statistics.median(v for k, v in rss if k == "floor"), "MiB")

        def file_figure(mode, name, output, floor_of):
            exe = executables[mode]
            result = exe.parent / output
            floor_input = work / f"{mode}.floor-input"
            floor_output = work / f"{mode}.floor-output"
            engine_output = work / f"{mode}.engine-output"
            gaps, growth, cpu = [], {}, {}

            def zel_sample(index):
                sample = run_once(display, [str(exe)], env, timeout=300)
                _, milliseconds, gap = sample.report.split(":")
                if index == 0:
                    # The floor works on the bytes zel wrote.
                    floor_of(result, floor_input)
                elif index > 0:
                    gaps.append(float(gap))
                    for process, mib in sample.growth.items():
                        growth.setdefault(process, []).append(mib)
                    for process, milliseconds in sample.cpu.items():
                        cpu.setdefault(process, []).append(milliseconds)
                result.unlink()
                return float(milliseconds)

            def floor_sample(index):
                if index == 0 and not floor_input.exists():
                    return 1.0  # runs before the input exists; the warm-up round is not counted
                return timed_shell(FLOOR_COMMANDS[mode].format(input=floor_input, output=floor_output))

            # The same call answered by the bare engine's message handler.
            def engine_floor_sample(index):
                sample = run_once(display, floor_command(mode, engine_output), env, timeout=300)
                if engine_output.stat().st_size == 0:
                    raise RuntimeError(f"the bare engine wrote nothing for {mode}")
                engine_output.unlink()
                return float(sample.report.split(":")[1])

            rounds = interleaved(pairs, zel_sample, floor_sample, engine_floor_sample)
            compared(name, rounds, "ms", own="_call")
            compared(name, rounds, "ms", against="engine_", side=2)
            line(f"{name}_frame_gap_ms", statistics.median(gaps), "ms")
            for process, values in sorted(growth.items()):
                line(f"{name}_{process}_rss_growth_mib", statistics.median(values), "MiB")
            # Where the call's time goes: CPU of each process from the page's
            # "ready" to its report (the 1 s pause before the call included).
            for process, values in sorted(cpu.items()):
                line(f"{name}_{process}_cpu_ms", statistics.median(values), "ms")
            floor_input.unlink(missing_ok=True)
            floor_output.unlink(missing_ok=True)
            engine_output.unlink(missing_ok=True)
            return statistics.median(gaps)

        def base64_of(result, floor_input):
            if result.stat().st_size != DECODE_BYTES:
                raise RuntimeError(f"decodeToFile wrote {result.stat().st_size} bytes")
            subprocess.run(f"base64 -w0 '{result}' > '{floor_input}'", shell=True, check=True)

        def copy_of(result, floor_input):
            shutil.copyfile(result, floor_input)

        FLOOR_COMMANDS = {
            "decode": "base64 -d '{input}' > '{output}' && sync '{output}'",
            "writetext": "cat '{input}' > '{output}' && sync '{output}'",
        }

        gaps = []
        for mode in modes:
            if mode == "start":
                engine_figure("start", "start", "ms", want_rss=True)
            elif mode == "paint":
                engine_figure("paint", "first_paint", "ms")
            elif mode == "first":
                engine_figure("first", "first_call", "ms")
            elif mode == "page":
                engine_figure("page", "page1000", "ms")
            elif mode == "roundtrip":
                engine_figure("roundtrip", "roundtrip", "us")
            elif mode == "decode":
                gaps.append(file_figure("decode", "decode_to_file_200MiB", "out/decoded.bin", base64_of))
            elif mode == "writetext":
                gaps.append(file_figure("writetext", "write_text_file_100MiB", "out/text.txt", copy_of))
        if gaps:
            line("page_frame_gap_ms", max(gaps), "ms")
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
