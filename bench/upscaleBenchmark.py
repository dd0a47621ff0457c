#!/usr/bin/env python3
"""Benchmark of drainPrepUpscale on finished runs of the demo rasters.

For each study area: one drainPrep run to finish it (its wall and CPU time
and peak memory are the yardstick), then drainPrepUpscale at each factor:
wall and CPU time (user and system: on a shared machine the wall time also
counts the waits), peak memory of its process and the share of wrong
connections it reports;
with --methods, the wrong connections of the naive method and of the outlets
without repairs as well (bench/upscaleMethods, built with
-DDRAINPREP_BUILD_BENCH=ON).

Needs GNU time (/usr/bin/time, Debian's package time).
Usage: python3 bench/upscaleBenchmark.py [--runs N] [--areas demo,large]
                                          [--factors 10,30,60] [--methods]
Builds the release preset and generates the demo rasters when they are missing.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

from benchmark import AREAS, ROOT, TOOL, ensure_build_and_rasters, run_directory

UPSCALE = ROOT / "build" / "release" / "drainPrepUpscale"
METHODS = ROOT / "build" / "release" / "bench" / "upscaleMethods"
# The area tools/demo.sh runs: drainPrepArea's choice around its river point.
AREAS = dict(AREAS, demo=(929, 1248, 30, 113))


def resources(command, directory, keyboard=""):
    """One run: wall seconds, CPU seconds (user and system), peak resident bytes of its
    process (GNU time's, which counts the process alone) and its console."""
    with tempfile.TemporaryDirectory() as scratch:
        measured = os.path.join(scratch, "usage")
        start = time.monotonic()
        process = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", measured] + command,
                                 cwd=directory, input=keyboard, capture_output=True, text=True)
        wall = time.monotonic() - start
        with open(measured) as usage:
            user, system, peak_kb = usage.read().split()[-3:]
    if process.returncode != 0:
        sys.exit("%s failed in %s:\n%s" % (command[0], directory, process.stdout[-2000:]))
    return wall, float(user) + float(system), int(peak_kb) * 1024, process.stdout


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
        wall, cpu, peak, _ = resources([str(TOOL)], directory, "\n")
        print("%d x %d cells: drainPrep %.2f s (CPU %.2f s), peak %.0f MB" % (
            area[0], area[1], wall, cpu, peak / 1e6))
        for factor in arguments.factors.split(","):
            results = [resources([str(UPSCALE), "--factor", factor], directory)
                       for _ in range(arguments.runs)]
            wrong = next(line for line in results[0][3].splitlines() if "connections wrong" in line)
            print("  factor %3s: %6.2f s (CPU %.2f s), peak %5.0f MB; %s" % (
                factor, statistics.median(r[0] for r in results),
                statistics.median(r[1] for r in results),
                max(r[2] for r in results) / 1e6, wrong.strip()))
        if arguments.methods:
            subprocess.run([str(METHODS), str(directory)] + arguments.factors.split(","),
                           check=True)


if __name__ == "__main__":
    main()
