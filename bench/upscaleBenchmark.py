#!/usr/bin/env python3
"""Benchmark of drainPrepUpscale on finished runs of the demo rasters.

For each study area: one drainPrep run to finish it (its wall time and peak
memory are the yardstick), then drainPrepUpscale at each factor: wall time,
peak memory of its process and the share of wrong connections it reports;
with --methods, the wrong connections of the naive method and of the outlets
without repairs as well (bench/upscaleMethods, built with
-DDRAINPREP_BUILD_BENCH=ON).

Usage: python3 bench/upscaleBenchmark.py [--runs N] [--areas demo,large]
                                          [--factors 10,30,60] [--methods]
Builds the release preset and generates the demo rasters when they are missing.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

from benchmark import AREAS, ROOT, ensure_build_and_rasters, run_directory, timed_run

UPSCALE = ROOT / "build" / "release" / "drainPrepUpscale"
METHODS = ROOT / "build" / "release" / "bench" / "upscaleMethods"
# The area tools/demo.sh runs: drainPrepArea's choice around its river point.
AREAS = dict(AREAS, demo=(929, 1248, 30, 113))


def timed_upscale(directory, factor):
    start = time.monotonic()
    process = subprocess.Popen([str(UPSCALE), "--factor", str(factor)], cwd=directory,
                               stdout=subprocess.PIPE, text=True)
    console = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("drainPrepUpscale failed in %s:\n%s" % (directory, console))
    wrong = next(line for line in console.splitlines() if "connections wrong" in line)
    return time.monotonic() - start, usage.ru_maxrss * 1024, wrong.strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--areas", default="demo,large")
    parser.add_argument("--factors", default="10,30,60")
    parser.add_argument("--methods", action="store_true")
    arguments = parser.parse_args()
    ensure_build_and_rasters()
    for name in arguments.areas.split(","):
        area = AREAS[name]
        directory = run_directory(name, area)
        run = timed_run(directory)
        print("%d x %d cells: drainPrep %.2f s, peak %.0f MB" % (area[0], area[1], run[0],
                                                                 run[1][0] / 1e6))
        for factor in arguments.factors.split(","):
            results = [timed_upscale(directory, int(factor)) for _ in range(arguments.runs)]
            print("  factor %3s: %6.2f s, peak %5.0f MB; %s" % (
                factor, statistics.median(r[0] for r in results),
                statistics.median(r[1] for r in results) / 1e6, results[0][2]))
        if arguments.methods:
            subprocess.run([str(METHODS), str(directory)] + arguments.factors.split(","),
                           check=True)


if __name__ == "__main__":
    main()
