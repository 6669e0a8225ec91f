#!/usr/bin/env bash
# Turned copies of a corpus, as documents and labels are turned in practice,
# for measuring the readers with bench/barcode_corpus.sh and the serial
# scripts: every image whose name matches PATTERN turned clockwise by 90, 180
# and 270 degrees, and tilted by an angle drawn per image from -30 to 30
# degrees (the same every time: seed 30), each set in its own folder with
# the corpus's truth tables (barcodes.tsv, notes.tsv) naming the copies. The
# copies are 8-bit grey bitmaps (bench_test_pictures: the picture registry
# loads, the raster converts, quarter turns move pixels exactly).
#
#   bench/turn_corpus.sh [CORPUS_DIR] [OUT_DIR] [PATTERN] [BUILD_DIR]
# CORPUS_DIR defaults to ../shared/corpus beside the repository, OUT_DIR to
# turned-corpus in the repository (left out of git), PATTERN to 'bc_*',
# BUILD_DIR to build-bench (`make bench`). The folders made are
# OUT_DIR/turned-90, turned-180, turned-270 and tilted; tilted/angles.tsv
# holds each image's angle.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$(cd "${1:-$root/../shared/corpus}" && pwd)
out=${2:-$root/turned-corpus}
pattern=${3:-bc_*}
build=${4:-$root/build-bench}
turn=$build/bench/bench_test_pictures
[[ -x "$turn" ]] || { echo "missing: $turn (make bench)" >&2; exit 2; }

files=()
for f in "$corpus"/$pattern; do
  [[ -f "$f" && $f != *.tsv && $f != *.md ]] && files+=("$f")
done
((${#files[@]} > 0)) || { echo "no $pattern in $corpus" >&2; exit 2; }

# truth_tables DIR: the corpus's tables, rows of the copies in DIR only, with
# the copies' names.
truth_tables() {
  local dir=$1 table
  for table in barcodes.tsv notes.tsv; do
    [[ -f "$corpus/$table" ]] || continue
    awk -F'\t' -v OFS='\t' -v dir="$dir" '
      NR == 1 { print; next }
      {
        name = $1
        sub(/\.[^.]*$/, ".bmp", name)
        if ((getline line < (dir "/" name)) >= 0) { close(dir "/" name); $1 = name; print }
      }' "$corpus/$table" >"$dir/$table"
  done
}

for angle in 90 180 270; do
  dir=$out/turned-$angle
  rm -rf "$dir"
  "$turn" turn --angle=$angle "$dir" "${files[@]}"
  truth_tables "$dir"
done
dir=$out/tilted
rm -rf "$dir"
"$turn" turn --tilt=30,30 "$dir" "${files[@]}" >"$out/angles.tsv"
mv "$out/angles.tsv" "$dir/angles.tsv"
truth_tables "$dir"
echo "made $out/{turned-90,turned-180,turned-270,tilted}: ${#files[@]} images each"
