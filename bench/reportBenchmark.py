#!/usr/bin/env python3
"""Whole-run benchmark of drainPrepReport on finished runs of the demo rasters.

For each study area: one drainPrep run to finish it, then the report's wall
time, peak memory of its process, time and bytes per cell (medians).

Usage: python3 bench/reportBenchmark.py [--runs N] [--areas small,large] [--gauges N]
Builds the release preset and generates the demo rasters when they are missing.
With --gauges N, each area is also reported with N gauges (--gauges FILE) on
its river cells, and the time against the report without them is given.
"""
import array
import random
import argparse
import os
import statistics
import subprocess
import sys
import time

from benchmark import AREAS, ROOT, ensure_build_and_rasters, run_directory, timed_run

REPORT = ROOT / "build" / "release" / "drainPrepReport"


def timed_report(directory, arguments=()):
    """Wall time, peak memory and processor time (user and system)."""
    start = time.monotonic()
    process = subprocess.Popen([str(REPORT), *arguments], cwd=directory, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("drainPrepReport failed in %s" % directory)
    return time.monotonic() - start, usage.ru_maxrss * 1024, usage.ru_utime + usage.ru_stime


def write_gauges(directory, count, area, per_degree=120):
    """count gauges a cell or two off random cells of 200 or more upstream
    cells, four in five with a published area near the cell's own (as if of
    30" cells)."""
    sizes = array.array("i")
    sizes.frombytes((directory / "output" / "flowAcc.bin").read_bytes())
    chooser = random.Random(5)
    rivers = [i for i in range(0, len(sizes), 7) if sizes[i] >= 200]
    chooser.shuffle(rivers)
    nrows, ncols, lat, lon = area
    lines = ["id,name,lat,lon,area_km2"]
    for k, cell in enumerate(rivers[:count]):
        row, col = divmod(cell, ncols)
        row += chooser.randint(-2, 2)
        col += chooser.randint(-2, 2)
        km2 = "%.1f" % (sizes[cell] * 0.77 * chooser.uniform(0.95, 1.2)) if k % 5 else ""
        lines.append("%d,Gauge %d,%.7f,%.7f,%s" % (1000 + k, k, lat - (row + 0.5) / per_degree,
                                                  lon + (col + 0.5) / per_degree, km2))
    path = directory / "benchGauges.csv"
    path.write_text("\n".join(lines) + "\n")
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--areas", default="small,large")
    parser.add_argument("--gauges", type=int, default=0)
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
        if arguments.gauges:
            gauges = write_gauges(directory, arguments.gauges, area)
            timed = [timed_report(directory, ["--gauges", str(gauges)])
                     for _ in range(arguments.runs)]
            plain = statistics.median(r[2] for r in results)
            with_gauges = statistics.median(r[2] for r in timed)
            print("  with %d gauges: %.2f s wall, %.0f MB; processor time %.2f s against %.2f s "
                  "without: %.2f x" % (arguments.gauges, statistics.median(r[0] for r in timed),
                                       statistics.median(r[1] for r in timed) / 1e6, with_gauges,
                                       plain, with_gauges / plain))


if __name__ == "__main__":
    main()
