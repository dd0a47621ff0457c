#!/usr/bin/python3
"""drainPrepUpscale against a peer's upscaling (pyflwdir's IHU) on the same 3" cells.

For each study area of the demo rasters read as a 3" source (the cells of
the raw pair at 1/1200 degree, through the VRTs of benchmark.py
--resolutions, which cover 60 N to 53 N and 55 E to 67.5 E): one drainPrep
run, then at each factor
  - drainPrepUpscale's wrong connections and time (bench/upscaleMethods,
    "repaired"),
  - pyflwdir's upscale(N, method="ihu") on the run's own fine network
    (flowDir.bin as D8: outlets as pits, cells without flow as no data):
    its time (after a first call that compiles it) and its wrong connections
    by drainPrepUpscale's measure, and by the peer's own upscale_error as a
    check that the two measures agree.

Optional: the peer is not part of the project. It runs with Debian's
python3 and packages (python3-numpy python3-numba python3-scipy
python3-affine) from the folder given with --peer.
Usage: /usr/bin/python3 bench/upscalePeer.py [--areas medium,large]
                                             [--factors 10,100] [--peer DIR]
Needs the benchmarks built (cmake --preset release -DDRAINPREP_BUILD_BENCH=ON).
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

from benchmark import ROOT, TOOL, ensure_build_and_rasters, run_directory, resolution_sources

METHODS = ROOT / "build" / "release" / "bench" / "upscaleMethods"
THREE_SECONDS = 1200  # cells per degree
NO_DATA = 247
# drainPrep's internal codes 1..8 (N clockwise to NW) as D8 codes.
D8_OF_INTERNAL = [64, 128, 1, 2, 4, 8, 16, 32]
# rows, columns, latitude and longitude of the north-west corner, in 3" cells
AREAS = {"medium": (2000, 3000, 59, 56), "large": (4000, 6000, 59, 56)}


def fine_d8(np, directory):
    rows, cols, lat, lon = (int(word) for word in (directory / "clipArea.dat").read_text().split())
    codes = np.fromfile(directory / "output" / "flowDir.bin", dtype="<i4").reshape(rows, cols)
    d8 = np.full(codes.shape, NO_DATA, dtype=np.uint8)
    d8[codes == 0] = 0
    for internal, code in enumerate(D8_OF_INTERNAL, start=1):
        d8[codes == internal] = code
    return d8, lat, lon


def peer_network(np, pyflwdir, d8, factor):
    """The peer's model outlets (int64, -1 for none) and internal directions (int32, -1)."""
    from affine import Affine
    flw = pyflwdir.from_array(d8, ftype="d8", latlon=True, check_ftype=False,
                              transform=Affine(1 / THREE_SECONDS, 0, 0, 0, -1 / THREE_SECONDS, 0))
    start = time.monotonic()
    coarse, idxs_out = flw.upscale(factor, method="ihu")
    seconds = time.monotonic() - start
    valid = flw.upscale_error(coarse, idxs_out)
    own_wrong = int((valid == 0).sum())
    outlets = np.where(idxs_out == flw._mv, -1, idxs_out).astype("<i8")
    coarse_d8 = coarse.to_array(ftype="d8")
    directions = np.full(coarse_d8.shape, -1, dtype="<i4")
    directions[coarse_d8 == 0] = 0
    for internal, code in enumerate(D8_OF_INTERNAL, start=1):
        directions[coarse_d8 == code] = internal
    return outlets, directions, seconds, own_wrong


def judged(directory, factor, outlets, directions):
    with tempfile.TemporaryDirectory() as scratch:
        outlets_file = os.path.join(scratch, "outlets.bin")
        directions_file = os.path.join(scratch, "directions.bin")
        outlets.tofile(outlets_file)
        directions.tofile(directions_file)
        result = subprocess.run([str(METHODS), str(directory), "--peer", str(factor), outlets_file,
                                 directions_file], capture_output=True, text=True, check=True)
    # "peer W of N wrong P % S s": the share, without the time it does not take
    return " ".join(result.stdout.split()[1:7])


def ours(directory, factor):
    result = subprocess.run([str(METHODS), str(directory), str(factor)], capture_output=True,
                            text=True, check=True)
    return next(line.strip() for line in result.stdout.splitlines() if "repaired" in line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--areas", default="medium,large")
    parser.add_argument("--factors", default="10,100")
    parser.add_argument("--peer", default=str(ROOT.parent / "shared" / "peers" / "pyflwdir-0.5.12"))
    arguments = parser.parse_args()
    sys.path.insert(0, arguments.peer)
    os.environ.setdefault("NUMBA_CACHE_DIR", "/tmp/numba")
    import numpy as np
    import pyflwdir
    ensure_build_and_rasters()
    if not METHODS.exists():
        sys.exit("build the benchmarks first: cmake --preset release -DDRAINPREP_BUILD_BENCH=ON")
    sources = resolution_sources()[THREE_SECONDS]
    factors = [int(factor) for factor in arguments.factors.split(",")]
    # numba compiles on the first call: not timed.
    peer_network(np, pyflwdir, np.zeros((2 * max(factors), 2 * max(factors)), np.uint8), 2)
    for name in arguments.areas.split(","):
        area = AREAS[name]
        directory = run_directory("peer3s-" + name, area)
        subprocess.run([str(TOOL)] + sources, cwd=directory, input=b"\n", check=True,
                       stdout=subprocess.DEVNULL)
        d8, _, _ = fine_d8(np, directory)
        print("%s area, %d x %d 3\" cells:" % (name, area[0], area[1]))
        for factor in factors:
            outlets, directions, seconds, own_wrong = peer_network(np, pyflwdir, d8, factor)
            print("  factor %d\n    drainPrepUpscale %s\n    pyflwdir IHU     %s  %.3f s "
                  "(by its own measure %d wrong)" % (
                      factor, " ".join(ours(directory, factor).split()[1:]),
                      judged(directory, factor, outlets, directions), seconds, own_wrong))


if __name__ == "__main__":
    main()
