#!/usr/bin/env bash
# Measures the serial readers on notes as scanners present them: makes a
# shifted copy of a corpus with bench_shift_notes (a fixed seed; half the notes
# upside down, all skewed within +-5 degrees, a third on a dark or light
# scanner bed, a third at 150 dpi) and runs bench/serial_corpus.sh on it, which
# adds a row per presentation.
#
#   bench/serial_shifted.sh [CORPUS_DIR] [BUILD_DIR] [OUT_DIR] [SEED]
# CORPUS_DIR defaults to ../shared/corpus beside the repository. BUILD_DIR
# (build-rel) needs the verevizu and bench_shift_notes targets:
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_TESTS=OFF \
#     -DVEREVIZU_BUILD_BENCH=ON
#   cmake --build build-rel -j2 --target verevizu bench_shift_notes
# OUT_DIR keeps the shifted copy (for bench_serial_reading --corpus); without
# it the copy goes to a temporary folder removed afterwards. SEED (28) picks
# another shifted copy.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/corpus}
build=${2:-$root/build-rel}
out=${3:-}
seed=${4:-28}
if [[ -z $out ]]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
mkdir -p "$out"
"$build/bench/bench_shift_notes" "$corpus" "$out" --seed "$seed" 2>/dev/null
"$root/bench/serial_corpus.sh" "$out" "$build"
