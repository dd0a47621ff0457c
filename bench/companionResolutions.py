#!/usr/bin/env python3
"""The companions on a 30" run and on a 3" one of the same size in cells.

The runs of benchmark.py --resolutions (the demo's cells through VRTs of the
raw pair: a 4000 x 6000 area of 30" cells, a 6000 x 8000 area of 3" cells
and the same 6000 x 8000 cells at 30"), each finished by one drainPrep run,
then, runs alternating between the areas: drainPrepReport, drainPrepReport
--gauges with 200 gauges on river cells, and drainPrepUpscale --factor 10.
Prints wall time and time per cell of each, and the 3" area's time per cell
over the 30" 4000 x 6000 area's and over its own cells' at 30".

Usage: python3 bench/companionResolutions.py [--runs N]
"""
import argparse
import statistics

from benchmark import RESOLUTION_RUNS, ensure_build_and_rasters, resolution_sources, \
    run_directory, timed_run
from reportBenchmark import timed_report, write_gauges
from upscaleBenchmark import UPSCALE, resources

COMPANIONS = ["report", "report with 200 gauges", "upscale --factor 10"]


def timed_companion(name, directory, gauges):
    if name == "report":
        return timed_report(directory)[0]
    if name.startswith("report with"):
        return timed_report(directory, ["--gauges", str(gauges)])[0]
    return resources([str(UPSCALE), "--factor", "10"], directory)[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    arguments = parser.parse_args()
    ensure_build_and_rasters()
    sources = resolution_sources()
    runs = []
    for per_degree, area in RESOLUTION_RUNS:
        directory = run_directory("resolution%d-%d" % (per_degree, area[0]), area)
        timed_run(directory, sources[per_degree])
        runs.append((per_degree, area, directory, write_gauges(directory, 200, area, per_degree)))
    walls = {(i, name): [] for i in range(len(runs)) for name in COMPANIONS}
    for _ in range(arguments.runs):
        for name in COMPANIONS:
            for i, (_, _, directory, gauges) in enumerate(runs):
                walls[(i, name)].append(timed_companion(name, directory, gauges))
    print("companions on the demo's cells as 30\" and 3\" runs, %d runs each, alternating:" %
          arguments.runs)
    for name in COMPANIONS:
        per_cell = []
        for i, (per_degree, area, _, _) in enumerate(runs):
            wall = statistics.median(walls[(i, name)])
            per_cell.append(wall / (area[0] * area[1]))
            print("  %-23s 1/%-4d degree, %d x %d:  median %6.2f s, %4.0f ns a cell" % (
                name, per_degree, area[0], area[1], wall, per_cell[-1] * 1e9))
        print("  %-23s 3\" time per cell over the 30\" 4000 x 6000 area's: %.2f, over the same "
              "cells at 30\": %.2f" % (name, per_cell[2] / per_cell[0], per_cell[2] / per_cell[1]))


if __name__ == "__main__":
    main()
