#!/usr/bin/env python3
"""Whole-run benchmark of drainPrep on the demo rasters.

Prints, in one invocation:
  - the I/O floor: `cat` of both source rasters to /dev/null (warm page cache),
    against a full run of a small study area, as medians and their ratio;
  - for study areas from half a million to 24 million cells (and the whole
    source grid on request): wall time, peak memory of the tool's process
    (all of it, and its own: what is not pages of a mapped file, sampled five
    times a second, so short runs show less than they held), time and
    bytes per cell, the bytes it read from and wrote to disk (read_bytes and
    write_bytes of /proc/PID/io: every page it dirtied counts, those of a
    scratch file too) against the size of a scratch file of its records, and
    the time of each stage taken from the moments its console lines arrive;
  - the 600 x 900 area from the raw pair and through GDAL from tiled,
    DEFLATE-compressed GeoTIFFs of the same continent (--dem/--dir, made once
    with gdal_translate): wall time, time of stage 2, peak memory, and whether
    the products are the same to the byte;
  - drainPrepArea at the demo's river point: wall and CPU time and peak
    memory;
  - with --rules AREA, only this: the two outlet rules (--outlets coast and
    d8) on one area, runs alternating so that the machine's other load falls
    on both alike: wall time and the time of stage 3, where they differ;
  - with --resolutions, only this: the raw demo pair read through VRTs as a
    30" source and as a 3" one (the same cells, each 1/1200 degree), a
    4000 x 6000 area of the first and a 6000 x 8000 area of the second (a
    Rhine-sized basin at 3"), runs alternating: wall time and time per cell,
    and the ratio of the two;
  - with --mosaic, only this: drainPrepArea on a 3" mosaic of 1.04 x 10^10
    cells, a VRT that repeats one 6000 x 6000 tile cut from the demo pair 289
    times, at a point whose basin holds 339,287 cells: wall time and peak
    memory, and whether flowAcc.bin of a drainPrep run of the area it writes
    holds the count it printed.

Usage: python3 bench/benchmark.py [--runs N] [--areas small,medium,large] [--tool PATH]
                                  [--terrain demo|land|winding|tinyBasins] [--rules AREA]
                                  [--resolutions] [--mosaic]
Builds the release preset and generates the demo rasters when they are missing;
--tool times another build of drainPrep on the same areas; --terrain runs on
one of the generator's terrains made hard for the whole grid (generated into
demo/TERRAIN/input when missing) instead of the demo rasters.
"""
import argparse
import os
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TOOL = ROOT / "build" / "release" / "drainPrep"
AREA_TOOL = ROOT / "build" / "release" / "drainPrepArea"
# The point of tools/demo.sh, beside a large river of the demo rasters.
RIVER_POINT = ["24.28", "113.24"]
SOURCE_CELLS = 8400 * 15000
# A cell record, as a scratch file holds it.
RECORD_BYTES = 288
DEMO_INPUT = ROOT / "demo" / "input"
TERRAIN = "demo"
RASTERS = ["as_dem_30s_clipped_55--10-180-60.bin", "as_dir_30s_clipped_55--10-180-60.bin"]

# rows, columns, latitude and longitude of the north-west corner
AREAS = {
    "cell": (1, 1, 22, 81),
    "small": (600, 900, 22, 81),
    "medium": (2000, 3000, 33, 77),
    "large": (4000, 6000, 49, 75),
    "whole": (8400, 15000, 60, 55),  # not run by default: some 4 minutes, 43 GB of disk
}

STAGES = [
    ("1 study area", "1) Reading location of study area."),
    ("2 rasters and previews", "2) Reading topography data."),
    ("3 cells and network", "3) Processing topography data."),
    ("4 products", "4) Writing output files"),
]


def ensure_build_and_rasters():
    subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    if not all((DEMO_INPUT / name).exists() for name in RASTERS):
        DEMO_INPUT.mkdir(parents=True, exist_ok=True)
        subprocess.run([str(ROOT / "build" / "release" / "tools" / "demoRasters"), str(DEMO_INPUT),
                        "1", TERRAIN], check=True)


def run_directory(name, area):
    directory = ROOT / "build" / "bench" / TERRAIN / name
    (directory / "output" / "arcgis").mkdir(parents=True, exist_ok=True)
    link = directory / "input"
    if not link.exists():
        link.symlink_to(DEMO_INPUT)
    (directory / "clipArea.dat").write_text("%d %d %d %d\n" % area)
    return directory


def timed_cat():
    start = time.monotonic()
    subprocess.run(["cat"] + [str(DEMO_INPUT / name) for name in RASTERS], check=True,
                   stdout=subprocess.DEVNULL)
    return time.monotonic() - start


def watch_own_memory(pid, stop, peak):
    """Samples the process's anonymous memory, the part the page cache cannot take back."""
    while not stop.is_set():
        try:
            with open("/proc/%d/status" % pid) as status:
                for line in status:
                    if line.startswith("RssAnon:"):
                        peak[0] = max(peak[0], int(line.split()[1]) * 1024)
        except OSError:
            return
        stop.wait(0.2)


def timed_run(directory, arguments=()):
    """One run; returns wall seconds, peak resident bytes (all, own), the stage lines' arrival
    and the bytes read from and written to disk.

    The console is read in large chunks and only searched for the stage lines:
    a DEM with wide flats makes millions of pit-report lines, and a reader that
    splits them into lines would time itself.
    """
    markers = [("\n" + line + "\n").encode() for _, line in STAGES]
    start = time.monotonic()
    process = subprocess.Popen([str(TOOL)] + list(arguments), cwd=directory, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE)
    process.stdin.write(b"\n")
    process.stdin.close()
    stop = threading.Event()
    own = [0]
    watcher = threading.Thread(target=watch_own_memory, args=(process.pid, stop, own))
    watcher.start()
    arrivals = []
    tail = b"\n"
    while True:
        chunk = os.read(process.stdout.fileno(), 1 << 20)
        if not chunk:
            break
        now = time.monotonic() - start
        window = tail + chunk
        for (_, line), marker in zip(STAGES, markers):
            if marker in window and all(text != line for _, text in arrivals):
                arrivals.append((now, line))
        tail = window[-64:]
    stop.set()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    watcher.join()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("drainPrep failed in %s" % directory)
    # The block counts of the process's rusage are its read_bytes and write_bytes
    # of /proc/PID/io in 512-byte units, taken at its very end.
    disk = (usage.ru_inblock * 512, usage.ru_oublock * 512)
    return wall, (usage.ru_maxrss * 1024, own[0]), arrivals, disk


def stage_times(arrivals, wall):
    starts = []
    for label, line in STAGES:
        moment = next((t for t, text in arrivals if text == line), None)
        starts.append((label, moment))
    times = []
    for i, (label, moment) in enumerate(starts):
        following = starts[i + 1][1] if i + 1 < len(starts) else wall
        times.append((label, following - moment))
    return times


def io_floor(runs):
    """The floor against a run of one cell (all reading) and one of the small area."""
    timed_cat()  # warm the page cache
    cats = [timed_cat() for _ in range(runs)]
    floor = statistics.median(cats)
    print("I/O floor (cat of both rasters):  median %.3f s over %d runs" % (floor, runs))
    for name in ("cell", "small"):
        directory = run_directory(name, AREAS[name])
        tool = statistics.median(timed_run(directory)[0] for _ in range(runs))
        print("full run, %-6s %11s:  median %.3f s, %.2f x the floor" % (
            name, "%dx%d" % AREAS[name][:2], tool, tool / floor))
    return floor


def study_areas(names, runs, floor):
    print()
    print("%-10s %11s %9s %9s %9s %10s %11s %12s" % (
        "area", "cells", "wall s", "peak MB", "own MB", "ns/cell", "bytes/cell", "ns/cell-I/O"))
    details = []
    for name in names:
        area = AREAS[name]
        cells = area[0] * area[1]
        directory = run_directory(name, area)
        results = sorted((timed_run(directory) for _ in range(runs)), key=lambda r: r[0])
        wall, (peak, own), arrivals, disk = results[len(results) // 2]
        print("%-10s %11d %9.2f %9.0f %9.0f %10.1f %11.1f %12.1f" % (
            "%dx%d" % area[:2], cells, wall, peak / 1e6, own / 1e6, wall / cells * 1e9,
            peak / cells, max(wall - floor, 0.0) / cells * 1e9))
        details.append((name, cells, disk, stage_times(arrivals, wall)))
    for name, cells, (read, written), times in details:
        scratch = cells * RECORD_BYTES
        print()
        print("disk of the %s area: read %.2f GB, written %.2f GB; a scratch file of its records "
              "would be %.2f GB (written %.2f x that)" % (name, read / 1e9, written / 1e9,
                                                          scratch / 1e9, written / scratch))
        print("stages of the %s area:" % name)
        for label, seconds in times:
            print("  %-24s %8.2f s" % (label, seconds))


RAW_VRT = """<VRTDataset rasterXSize="15000" rasterYSize="8400">
  <SRS>EPSG:4326</SRS>
  <GeoTransform>55, %(cell)r, 0, 60, 0, -%(cell)r</GeoTransform>
  <VRTRasterBand dataType="Int16" band="1" subClass="VRTRawRasterBand">
    <SourceFilename relativeToVRT="0">%(raw)s</SourceFilename>
    <ImageOffset>0</ImageOffset><PixelOffset>2</PixelOffset><LineOffset>30000</LineOffset>
    <ByteOrder>LSB</ByteOrder>
  </VRTRasterBand>
</VRTDataset>
"""


def geotiff_of_raw(tiff, raw, options=()):
    """A demo raster (or the window `options` give gdal_translate) as a tiled,
    DEFLATE-compressed GeoTIFF, made once."""
    if not tiff.exists():
        vrt = tiff.with_name(tiff.stem + "Raw.vrt")
        vrt.write_text(RAW_VRT % {"raw": DEMO_INPUT / raw, "cell": 1 / 120})
        subprocess.run(["gdal_translate", "-q", "-of", "GTiff", "-co", "TILED=YES", "-co",
                        "COMPRESS=DEFLATE"] + list(options) + [str(vrt), str(tiff)], check=True)
    return tiff


def continental_geotiffs():
    """The demo rasters as tiled, DEFLATE-compressed GeoTIFFs, made once."""
    folder = ROOT / "build" / "bench" / "geotiff"
    folder.mkdir(parents=True, exist_ok=True)
    tiffs = []
    for name, raw in zip(["dem", "dir"], RASTERS):
        tiffs.append(geotiff_of_raw(folder / (name + ".tif"), raw))
    return tiffs


def gdal_sources(runs):
    """The small area from the raw pair and from continental tiled, compressed GeoTIFFs."""
    dem, directions = continental_geotiffs()
    area = AREAS["small"]
    print()
    print("%d x %d cells from the raw pair and through GDAL (tiled DEFLATE GeoTIFFs):" % area[:2])
    outputs = {}
    for label, arguments in [("raw pair", []),
                             ("GeoTIFF", ["--dem", str(dem), "--dir", str(directions)])]:
        directory = run_directory("gdal" + label.title().replace(" ", ""), area)
        results = [timed_run(directory, arguments) for _ in range(runs)]
        wall = statistics.median(result[0] for result in results)
        peak = max(result[1][0] for result in results)
        stages = stage_times(results[len(results) // 2][2], results[len(results) // 2][0])
        reading = dict(stages).get(STAGES[1][0], float("nan"))
        print("  %-9s median %.3f s wall, stage 2 %.3f s, peak %.0f MB" % (
            label, wall, reading, peak / 1e6))
        outputs[label] = [(directory / "output" / name).read_bytes() for name in PRODUCTS]
    print("  products the same to the byte: %s" % (outputs["raw pair"] == outputs["GeoTIFF"]))


PRODUCTS = ["modDem.bin", "flowDir.bin", "flowAcc.bin", "riverNum.bin", "riverNumList.dat",
            "arcgis/cutDem.asc", "arcgis/cutDir.asc", "arcgis/modDem.asc",
            "arcgis/distance.asc", "arcgis/flowDir.asc", "arcgis/flowAcc.asc",
            "arcgis/riverNum.asc"]


def companion(runs):
    """drainPrepArea at the demo's river point, as medians of `runs` runs."""
    directory = run_directory("area", AREAS["cell"])
    results = []
    for _ in range(runs):
        start = time.monotonic()
        process = subprocess.Popen([str(AREA_TOOL)] + RIVER_POINT, cwd=directory,
                                   stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit("drainPrepArea failed in %s" % directory)
        results.append((time.monotonic() - start, usage.ru_utime + usage.ru_stime,
                        usage.ru_maxrss * 1024))
    wall, cpu, peak = (statistics.median(values) for values in zip(*results))
    print()
    print("drainPrepArea %s %s:  median %.2f s wall, %.2f s CPU, "
          "peak %.0f MB, %.1f bytes a source cell" % (RIVER_POINT[0], RIVER_POINT[1], wall, cpu,
                                                      peak / 1e6, peak / SOURCE_CELLS))


def outlet_rules(name, runs):
    directory = run_directory(name, AREAS[name])
    rules = ("coast", "d8")
    results = {rule: [] for rule in rules}
    for _ in range(runs):
        for rule in rules:
            wall, _, arrivals, _ = timed_run(directory, ["--outlets", rule])
            results[rule].append((wall, dict(stage_times(arrivals, wall))["3 cells and network"]))
    print("outlet rules on the %s area (%dx%d), %d runs each, alternating:" % (
        name, AREAS[name][0], AREAS[name][1], runs))
    for rule in rules:
        walls = sorted(wall for wall, _ in results[rule])
        stages = sorted(stage for _, stage in results[rule])
        print("  --outlets %-5s  wall median %.2f s (%s), stage 3 median %.2f s (%s)" % (
            rule, statistics.median(walls), " ".join("%.2f" % w for w in walls),
            statistics.median(stages), " ".join("%.2f" % t for t in stages)))


# cells per degree, area (rows, columns, corner) of the demo's cells read at
# that cell size: the usual large area, and the same 48 million cells at 30"
# and at 3"
RESOLUTION_RUNS = [(120, (4000, 6000, 49, 75)), (120, (6000, 8000, 59, 56)),
                   (1200, (6000, 8000, 59, 56))]


def resolution_sources():
    """The raw pair through VRTs of 30" and of 3" cells: drainPrep's --dem/--dir for each."""
    folder = ROOT / "build" / "bench" / "resolutions"
    folder.mkdir(parents=True, exist_ok=True)
    sources = {}
    for per_degree in (120, 1200):
        pair = []
        for name, raw in zip(["dem", "dir"], RASTERS):
            vrt = folder / ("%s%d.vrt" % (name, per_degree))
            vrt.write_text(RAW_VRT % {"raw": DEMO_INPUT / raw, "cell": 1 / per_degree})
            pair += ["--" + name, str(vrt)]
        sources[per_degree] = pair
    return sources


def resolutions(runs):
    """The 30" area against the 3" one, each through a VRT of the raw pair."""
    sources = resolution_sources()
    walls = [[] for _ in RESOLUTION_RUNS]
    for _ in range(runs):
        for i, (per_degree, area) in enumerate(RESOLUTION_RUNS):
            directory = run_directory("resolution%d-%d" % (per_degree, area[0]), area)
            walls[i].append(timed_run(directory, sources[per_degree])[0])
    print("the demo's cells as 30\" and as 3\" sources, %d runs each, alternating:" % runs)
    per_cell = []
    for (per_degree, area), times in zip(RESOLUTION_RUNS, walls):
        wall = statistics.median(times)
        per_cell.append(wall / (area[0] * area[1]))
        print("  1/%d degree, %d x %d cells:  median %.2f s (%s), %.0f ns a cell" % (
            per_degree, area[0], area[1], wall, " ".join("%.2f" % w for w in times),
            per_cell[-1] * 1e9))
    print("  time per cell at 3\" over the 30\" 4000 x 6000 area: %.2f, over the same cells "
          "at 30\": %.2f" % (per_cell[2] / per_cell[0], per_cell[2] / per_cell[1]))


# The mosaic: 17 x 17 copies of a tile of the demo pair (rows and columns
# from 2400, 5000 of the source), 3" cells from 60 N 0 E; the point lies in
# the middle tile.
MOSAIC_TILES = 17
TILE_CELLS = 6000
MOSAIC_POINT = ["18.5695833", "42.08375"]

MOSAIC_VRT = """<VRTDataset rasterXSize="%(cells)d" rasterYSize="%(cells)d">
  <SRS>EPSG:4326</SRS>
  <GeoTransform>0, %(cell)r, 0, 60, 0, -%(cell)r</GeoTransform>
  <VRTRasterBand dataType="Int16" band="1">
%(sources)s
  </VRTRasterBand>
</VRTDataset>
"""


def mosaic_pair():
    """The tile as a tiled, compressed GeoTIFF and the VRT that repeats it, made once."""
    folder = ROOT / "build" / "bench" / "mosaic"
    folder.mkdir(parents=True, exist_ok=True)
    pair = []
    for name, raw in zip(["dem", "dir"], RASTERS):
        tile = geotiff_of_raw(folder / (name + "Tile.tif"), raw,
                              ["-srcwin", "5000", "2400", str(TILE_CELLS), str(TILE_CELLS),
                               "-a_ullr", "0", "5", "5", "0"])
        source = ('    <SimpleSource><SourceFilename relativeToVRT="1">%s</SourceFilename>'
                  '<SourceBand>1</SourceBand><SrcRect xOff="0" yOff="0" xSize="%d" ySize="%d"/>'
                  '<DstRect xOff="%%d" yOff="%%d" xSize="%d" ySize="%d"/></SimpleSource>' % (
                      tile.name, TILE_CELLS, TILE_CELLS, TILE_CELLS, TILE_CELLS))
        sources = "\n".join(source % (col * TILE_CELLS, row * TILE_CELLS)
                             for row in range(MOSAIC_TILES) for col in range(MOSAIC_TILES))
        mosaic = folder / (name + "Mosaic.vrt")
        mosaic.write_text(MOSAIC_VRT % {"cells": MOSAIC_TILES * TILE_CELLS, "cell": 1 / 1200,
                                        "sources": sources})
        pair += ["--" + name, str(mosaic)]
    return folder, pair


def mosaic(runs):
    """drainPrepArea on the 10^10-cell mosaic, then a run of the area it writes."""
    folder, pair = mosaic_pair()
    directory = folder / "run"
    directory.mkdir(exist_ok=True)
    results = []
    for _ in range(runs):
        start = time.monotonic()
        process = subprocess.Popen([str(AREA_TOOL)] + MOSAIC_POINT + pair + ["--write", "--force"],
                                   cwd=directory, stdout=subprocess.PIPE)
        console = process.stdout.read().decode()
        _, status, usage = os.wait4(process.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit("drainPrepArea failed on the mosaic:\n" + console)
        results.append((time.monotonic() - start, usage.ru_maxrss * 1024))
    cells = MOSAIC_TILES * TILE_CELLS
    print("drainPrepArea %s %s on a 3\" mosaic of %d x %d cells (%.2e), %d runs:" % (
        MOSAIC_POINT[0], MOSAIC_POINT[1], cells, cells, cells * cells, runs))
    print("  median %.2f s wall (%s), peak %.0f MB" % (
        statistics.median(wall for wall, _ in results),
        " ".join("%.2f" % wall for wall, _ in results), max(peak for _, peak in results) / 1e6))
    counted = console.split("gives the point, row ")[1]
    row, col = (int(word.strip(",")) for word in counted.split()[0:3:2])
    printed = int(counted.split("a basin of ")[1].split()[0])
    timed_run(directory, pair)
    ncols = int((directory / "clipArea.dat").read_text().split()[1])
    flow_acc = (directory / "output" / "flowAcc.bin").read_bytes()
    offset = (row * ncols + col) * 4
    in_run = int.from_bytes(flow_acc[offset:offset + 4], "little", signed=True)
    print("  basin printed %d cells, flowAcc.bin of the run of its area %d" % (printed, in_run))


def main():
    global TOOL, TERRAIN, DEMO_INPUT
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--areas", default="small,medium,large")
    parser.add_argument("--tool", default=str(TOOL))
    parser.add_argument("--terrain", default=TERRAIN,
                        choices=["demo", "land", "winding", "tinyBasins"])
    parser.add_argument("--rules", choices=sorted(AREAS),
                        help="only compare the two outlet rules on this area")
    parser.add_argument("--resolutions", action="store_true",
                        help="only compare a 30\" and a 3\" area of the same cells")
    parser.add_argument("--mosaic", action="store_true",
                        help="only time drainPrepArea on a 3\" mosaic of 10^10 cells")
    arguments = parser.parse_args()
    TOOL = Path(arguments.tool).resolve()
    TERRAIN = arguments.terrain
    if TERRAIN != "demo":
        DEMO_INPUT = ROOT / "demo" / TERRAIN / "input"
    ensure_build_and_rasters()
    if arguments.rules:
        outlet_rules(arguments.rules, arguments.runs)
        return
    if arguments.resolutions:
        resolutions(arguments.runs)
        return
    if arguments.mosaic:
        mosaic(arguments.runs)
        return
    floor = io_floor(max(arguments.runs, 3))
    study_areas(arguments.areas.split(","), arguments.runs, floor)
    if TERRAIN == "demo":  # the GeoTIFFs are of the demo; its river point lies on the demo's river
        gdal_sources(arguments.runs)
        companion(arguments.runs)


if __name__ == "__main__":
    main()
