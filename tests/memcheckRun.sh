#!/usr/bin/env bash
# Whole runs of the tool under valgrind's memcheck: no read of uninitialised
# memory, no invalid access, no leak. Usage: memcheckRun.sh DRAINPREP
set -euo pipefail
tool="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
mkdir -p input output/arcgis
for raster in dem dir; do
  truncate -s 252000000 "input/as_${raster}_30s_clipped_55--10-180-60.bin"
done

# Little-endian int16 samples into a raster at source [row][col].
put() {
  local raster="$1" row="$2" col="$3"; shift 3
  local bytes=""
  for value in "$@"; do
    bytes+=$(printf '\\x%02x\\x%02x' $((value & 0xFF)) $(((value >> 8) & 0xFF)))
  done
  printf "$bytes" | dd of="input/as_${raster}_30s_clipped_55--10-180-60.bin" bs=1 \
    seek=$(((row * 15000 + col) * 2)) conv=notrunc status=none
}

# A 6 x 7 area at 40N 100E with a sea cell, a pit and a south-flowing valley.
for row in 2400 2401 2402 2403 2404 2405; do
  put dem "$row" 5400 90 80 70 60 50 40 30
  put dir "$row" 5400 4 4 4 4 4 4 4
done
put dem 2402 5403 -9999
put dir 2402 5403 -9999

run() {
  echo "$1" > clipArea.dat
  echo | valgrind --error-exitcode=9 --leak-check=full --errors-for-leak-kinds=definite -q \
    "$tool" > console.txt
}
run "6 7 40 100"
run "120 120 -9 179"   # the south-east corner of the source grid
run "1 15000 60 55"
echo "memcheck clean"
