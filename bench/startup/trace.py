"""Step-by-step start-up of a build with trace-points.patch applied: runs the
application (environment A_ENV) and the floor program (or the application
with B_ENV when B_ENV is given) in interleaved pairs, each with
ZEL_TRACE_FILE, and prints per step the median time after exec, the median
CPU time its process had used by then, which process (p0 the window's, p1 the
engine's web process) and how many runs saw it; lines "D a->b" are medians of
the per-run differences between two steps.

usage: trace.py MODE PAIRS"""
import collections
import os
import statistics
import sys

from common import Bench, E, env_of

SPANS = (("load_uri#1", "load#1(0)"), ("load#1(0)", "load#2(2)"), ("load#2(2)", "REPORT"))

mode, pairs = sys.argv[1], int(sys.argv[2])
b_env = os.environ.get("B_ENV", "")
bench = Bench(mode)
try:
    steps = {"A": collections.defaultdict(list), "B": collections.defaultdict(list)}
    trace = bench.work / "trace.txt"

    def one(side, index):
        trace.unlink(missing_ok=True)
        extra = os.environ.get("A_ENV", "") if side == "A" else b_env
        environment = dict(bench.env, ZEL_TRACE_FILE=str(trace), **env_of(extra))
        command = bench.command("zel" if side == "A" or b_env else "floor")
        s = E.run_once(bench.display, command, environment)
        value = float(s.report[2:]) - s.t0
        if index == 0:
            return value
        seen = collections.Counter()
        processes = {}
        times = {}
        for line in trace.read_text().splitlines():
            t, pid, what, a, b, cpu = line.split()
            process = processes.setdefault(pid, f"p{len(processes)}")
            seen[what] += 1
            key = f"{what}#{seen[what]}" + (f"({a}x{b})" if what == "view.alloc" else f"({a})" if a != "-1" else "")
            steps[side][key].append((float(t) - s.t0, float(cpu[4:]), process))
            times[key] = float(t) - s.t0
        steps[side]["REPORT"].append((value, 0, ""))
        times["REPORT"] = value
        for a, b in SPANS:
            if a in times and b in times:
                steps[side][f"D {a}->{b}"].append((times[b] - times[a], 0, ""))
        return value

    E.interleaved(pairs, lambda i: one("A", i), lambda i: one("B", i))
    for side, label in (("A", "zel " + os.environ.get("A_ENV", "")),
                        ("B", ("zel " + b_env) if b_env else "floor")):
        print("==", label)
        rows = sorted(steps[side].items(), key=lambda kv: statistics.median(x[0] for x in kv[1]))
        for key, values in rows:
            print(f"  {statistics.median(x[0] for x in values):8.1f}  cpu {statistics.median(x[1] for x in values):7.1f} "
                  f"{values[0][2]:3s} n={len(values):2d}  {key}")
finally:
    bench.close()
