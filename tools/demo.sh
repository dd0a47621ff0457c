#!/usr/bin/env bash
# One command from a fresh clone to a complete demo run: builds the tool,
# generates the demo source rasters once (about 500 MB, reused afterwards),
# lays out a working directory, chooses the study area from a point on a large
# river with drainPrepArea, runs the tool there, answering its closing key
# prompt, and then its report.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
demo="$root/demo"

cd "$root"
tools/needGdal.sh
cmake --preset release > /dev/null
cmake --build --preset release --target drainPrep drainPrepArea drainPrepReport demoRasters

mkdir -p "$demo/input" "$demo/output/arcgis"
if [ ! -f "$demo/input/as_dem_30s_clipped_55--10-180-60.bin" ] ||
   [ ! -f "$demo/input/as_dir_30s_clipped_55--10-180-60.bin" ]; then
  "$root/build/release/tools/demoRasters" "$demo/input"
fi
# The study area that holds the whole basin upstream of a point picked by hand
# near a large river, 24.28N 113.24E: drainPrepArea snaps the point to the
# river and writes clipArea.dat.
cd "$demo"
"$root/build/release/drainPrepArea" 24.28 113.24 --write --force
echo

# The whole console goes to demo/console.txt; on the terminal each run of pit
# reports (eight lines for every cell without a lower neighbour) is folded
# into one line.
echo | "$root/build/release/drainPrep" | tee console.txt | awk '
  /check the elevation $/ { pits++; next }
  pits { printf "  (%d lines of pit reports, kept in demo/console.txt)\n", pits; pits = 0 }
  { print; fflush() }'
echo
"$root/build/release/drainPrepReport" "$demo"
echo
echo "Demo outputs: $demo/output (binary grids, riverNumList.dat) and $demo/output/arcgis (ESRI ASCII grids)"
echo "Report (open in a browser): $demo/output/report/index.html"
