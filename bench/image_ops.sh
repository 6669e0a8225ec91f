#!/usr/bin/env bash
# Prints each per-pixel pass of bench_image_ops as a multiple of a memcpy of
# the same bytes: the median CPU time of the pass over the median CPU time of
# the memcpy, per source (a fixture note, a corpus note, the A4 page).
#
#   bench/image_ops.sh [BUILD_DIR]
# BUILD_DIR defaults to build-rel, a Release build with the benchmarks:
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_BENCH=ON \
#     -DVEREVIZU_BUILD_GUI=OFF
#   cmake --build build-rel -j2 --target bench_image_ops
# Needs jq. The run is niced; the machine's load is printed beside the table,
# since a shared machine makes every figure noisier.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-rel}
tool=$build/bench/bench_image_ops
[[ -x $tool ]] || { echo "no benchmark: $tool" >&2; exit 2; }
command -v jq >/dev/null || { echo "missing: jq" >&2; exit 2; }

json=$(mktemp)
trap 'rm -rf "$json"' EXIT
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
nice "$tool" --benchmark_filter='^(Memcpy|Pass)/' --benchmark_format=json --benchmark_min_time=0.2 >"$json" 2>/dev/null
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

# Which memcpy each pass is held against: the bytes it reads, or the bytes it
# writes where the result is the larger (grey from 4 and 1 bit).
jq -r '
  def reference: {"ConvertTo8From24": "24", "RGBToGreyMean": "24", "Histogram24": "24",
                   "ConvertTo8From4": "8", "ConvertTo8From1": "8", "Histogram8": "8",
                   "ThresholdToBilevel": "8"};
  [.benchmarks[] | select(.aggregate_name == "median")
   | {name: (.run_name | sub("/repeats:[0-9]+$"; "")), us: .cpu_time}] as $m
  | ($m | map({key: .name, value: .us}) | from_entries) as $t
  | ["pass", "source", "median us", "memcpy us", "x memcpy"],
    ($m[] | select(.name | startswith("Pass/"))
     | (.name | split("/")) as $p
     | ($t["Memcpy/" + reference[$p[1]] + "/" + $p[2]]) as $ref
     | [$p[1], $p[2], (.us * 10 | round / 10), ($ref * 10 | round / 10),
        (.us / $ref * 100 | round / 100)])
  | @tsv' "$json" | column -t -s $'\t'
