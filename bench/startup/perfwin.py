"""Where one process's CPU time goes between two trace marks (a build with
trace-points.patch): `perf record` of the window's process alone, samples
kept between the first MARK_A and the first MARK_B of each run ("START" for
the process's start; "what:arg" names a mark with its argument, as
"load:2"); prints ms of CPU per symbol (or per library with --dso),
averaged over RUNS runs after a warm-up run.

usage: perfwin.py zel|floor MARK_A MARK_B RUNS [--dso]"""
import collections
import subprocess
import sys
import time

from common import Bench

RATE = 20000  # samples per second: one sample is 0.05 ms
side, mark_a, mark_b, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
by_library = "--dso" in sys.argv
bench = Bench("first")
try:
    trace, data = bench.work / "trace.txt", bench.work / "perf.data"
    totals, wall = collections.Counter(), 0.0
    for run in range(runs + 1):
        trace.unlink(missing_ok=True)
        command = ["perf", "record", "-q", "--no-inherit", "-F", str(RATE), "-k", "CLOCK_REALTIME",
                   "-o", str(data)] + bench.command(side)
        process = subprocess.Popen(command, env=dict(bench.env, ZEL_TRACE_FILE=str(trace)),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        # Until the page has finished loading (three load events).
        while time.monotonic() < deadline:
            if trace.exists() and sum(" load " in l for l in trace.read_text().splitlines()) >= 3:
                break
            time.sleep(0.05)
        time.sleep(0.2)
        process.send_signal(2)
        process.wait()
        marks = {}
        for line in trace.read_text().splitlines():
            t, _, what, arg = line.split()[:4]
            marks.setdefault(what, float(t) / 1000)
            marks.setdefault(f"{what}:{arg}", float(t) / 1000)
        if run == 0:
            continue
        start = 0.0 if mark_a == "START" else marks[mark_a]
        end = marks[mark_b]
        if mark_a != "START":
            wall += (end - start) * 1000
        out = subprocess.run(["perf", "script", "-i", str(data), "-F", "time,ip,sym,dso"],
                             capture_output=True, text=True).stdout
        for line in out.splitlines():
            parts = line.split()
            try:
                t = float(parts[0].rstrip(":"))
            except (IndexError, ValueError):
                continue
            if start <= t <= end:
                totals[parts[-1] if by_library else " ".join(parts[2:])] += 1
    per_ms = RATE / 1000
    samples = sum(totals.values()) / runs
    print(f"{mark_a} -> {mark_b}: {wall / runs:.1f} ms wall, {samples / per_ms:.1f} ms CPU per run")
    for key, count in totals.most_common(40):
        print(f"{count / runs / per_ms:7.2f} ms  {key}")
finally:
    bench.close()
