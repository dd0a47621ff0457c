#!/usr/bin/env python3
"""Whole-run benchmark of drainPrepReport on finished runs of the demo rasters.

For each study area: one drainPrep run to finish it, then the report's wall
time, peak memory of its process, time and bytes per cell (medians).

Usage: python3 bench/reportBenchmark.py [--runs N] [--areas small,large]
Builds the release preset and generates the demo rasters when they are missing.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

from benchmark import AREAS, ROOT, ensure_build_and_rasters, run_directory, timed_run

REPORT = ROOT / "build" / "release" / "drainPrepReport"


def timed_report(directory):
    start = time.monotonic()
    process = subprocess.Popen([str(REPORT)], cwd=directory, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("drainPrepReport failed in %s" % directory)
    return time.monotonic() - start, usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--areas", default="small,large")
    arguments = parser.parse_args()
    ensure_build_and_rasters()
    print("%-11s %11s %9s %9s %10s %11s" % ("area", "cells", "wall s", "peak MB", "ns/cell",
                                          "bytes/cell"))
    for name in arguments.areas.split(","):
        area = AREAS[name]
        cells = area[0] * area[1]
        directory = run_directory(name, area)
        timed_run(directory)
        results = [timed_report(directory) for _ in range(arguments.runs)]
        wall = statistics.median(r[0] for r in results)
        peak = statistics.median(r[1] for r in results)
        print("%-11s %11d %9.2f %9.0f %10.1f %11.2f" % (
            "%dx%d" % area[:2], cells, wall, peak / 1e6, wall / cells * 1e9, peak / cells))


if __name__ == "__main__":
    main()
