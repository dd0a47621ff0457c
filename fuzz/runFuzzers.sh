#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for a bounded time,
# one after another on one core.
#
#   fuzz/runFuzzers.sh [SECONDS_PER_TARGET]   (default 60)
#
# The repository corpus is only read: new inputs go to a scratch directory
# (FUZZ_WORK_DIR, default a fresh one under /tmp), as do crash artifacts and
# logs. Exits non-zero when a target crashed, leaked, timed out or ran out of
# memory. Not part of CI.
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [SECONDS_PER_TARGET]" >&2
  exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
work="${FUZZ_WORK_DIR:-$(mktemp -d /tmp/drainPrepFuzz.XXXXXX)}"
mkdir -p "$work"

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2

# A clipArea.dat is four short numbers; room is left for long runs of zeros
# and whitespace. A network input is 2 header bytes and 2 bytes for each of
# at most 24 x 24 cells. drainPrepArea's arguments are a few short words.
# The report's inputs belong to a run of 12 x 16 cells (fuzz/reportRun): an
# ASCII grid of about a kilobyte with room for long tokens, a binary grid of
# at most 1536 bytes, an outlet list of a few lines; the grids after a byte
# that picks the file.
declare -A maxLen=([fuzzClipArea]=256 [fuzzNetwork]=1154 [fuzzAreaArguments]=256
  [fuzzReportAsciiGrid]=4096 [fuzzReportBinaryGrid]=1537 [fuzzReportOutletList]=1024)
declare -A corpusOf=([fuzzClipArea]=clipArea [fuzzNetwork]=network
  [fuzzAreaArguments]=areaArguments [fuzzReportAsciiGrid]=reportAsciiGrid
  [fuzzReportBinaryGrid]=reportBinaryGrid [fuzzReportOutletList]=reportOutletList)

failed=0
for target in fuzzClipArea fuzzNetwork fuzzAreaArguments fuzzReportAsciiGrid \
  fuzzReportBinaryGrid fuzzReportOutletList; do
  newCorpus="$work/corpus/${corpusOf[$target]}"
  artifacts="$work/artifacts/$target"
  log="$work/$target.log"
  mkdir -p "$newCorpus" "$artifacts"
  echo "== $target: ${seconds}s, new inputs in $newCorpus, artifacts in $artifacts"
  status=0
  "build/fuzz/fuzz/$target" "$newCorpus" "fuzz/corpus/${corpusOf[$target]}" \
    -max_total_time="$seconds" -max_len="${maxLen[$target]}" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1 || status=$?
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "$log" || true
  if [[ $status -ne 0 ]]; then
    echo "!! $target failed (exit $status); see $log and $artifacts" >&2
    grep -E 'violated:|ERROR: |SUMMARY: ' "$log" >&2 || true
    failed=1
  fi
done

echo "logs, new corpus entries and artifacts: $work"
exit "$failed"
