"""Interleaved A/B of one start-up figure (ms from exec to the page's report).

usage: ab.py MODE PAIRS [floor]
  MODE   start, paint or first (bench/suites/engine.py's pages)
  A is the packaged application with the environment A_ENV (KEY=V,KEY=V);
  B is the same with B_ENV, or the floor program when "floor" is given.
Prints both medians and the median of the paired ratios A/B with their
interquartile range."""
import os
import statistics
import sys

from common import Bench, E, env_of

mode, pairs = sys.argv[1], int(sys.argv[2])
b_side = "floor" if len(sys.argv) > 3 and sys.argv[3] == "floor" else "zel"
bench = Bench(mode)
try:
    def sampler(side, extra):
        environment = dict(bench.env, **env_of(extra))

        def sample(index):
            s = E.run_once(bench.display, bench.command(side), environment)
            return float(s.report[2:]) - s.t0
        return sample

    rounds = E.interleaved(pairs, sampler("zel", os.environ.get("A_ENV", "")),
                           sampler(b_side, os.environ.get("B_ENV", "")))
    ratios = [a / b for a, b in rounds]
    low, high = E.quartiles(ratios)
    print(f"{mode}: A {statistics.median(a for a, _ in rounds):.1f} ms  "
          f"B {statistics.median(b for _, b in rounds):.1f} ms  A/B {statistics.median(ratios):.3f} "
          f"({low:.3f}-{high:.3f}) n={len(ratios)}", flush=True)
finally:
    bench.close()
