#!/usr/bin/env bash
# Whole-process speed of `verevizu serial` against tesseract, measured
# pairwise: for each of a spread of corpus notes, hyperfine times in one run
# `verevizu serial` (verified, the default), `verevizu serial --classic` and
# `tesseract NOTE stdout --psm 11` on the same note, and the script prints each
# note's median times and how many times faster verevizu is. Then it times
# the whole corpus with --jobs 1 and --jobs 2 and prints notes per second.
#
#   bench/serial_speed.sh [CORPUS_DIR] [BUILD_DIR] [NOTES]
# CORPUS_DIR defaults to ../shared/corpus (notes.tsv lists its notes),
# BUILD_DIR to build-rel (a Release build of the verevizu target), NOTES (12)
# to how many notes, taken evenly over the list, are timed pairwise.
# Needs hyperfine, tesseract (apt-get install hyperfine tesseract-ocr) and
# python3. Wall times: run it on a quiet machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/corpus}
build=${2:-$root/build-rel}
count=${3:-12}
tool=$build/cli/verevizu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_THREAD_LIMIT=1  # tesseract on one thread per process

for cmd in "$tool" tesseract hyperfine python3; do
  command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 2; }
done
[[ -f $corpus/notes.tsv ]] || { echo "no notes.tsv in $corpus" >&2; exit 2; }

mapfile -t all < <(tail -n +2 "$corpus/notes.tsv" | cut -f1)
step=$(((${#all[@]} + count - 1) / count))
# Exit code 1 only says that a note gave no valid serial: ignored (-i).
for ((i = 0; i < ${#all[@]}; i += step)); do
  note=$corpus/${all[i]}
  hyperfine -N -i -w 1 -r 5 --export-json "$work/$i.json" \
    -n verified "$tool serial --jobs 1 $note" \
    -n classic "$tool serial --jobs 1 --classic $note" \
    -n tesseract "tesseract $note stdout --psm 11" >/dev/null 2>&1
  echo "${all[i]}" >"$work/$i.name"
done

mapfile -t files < <(printf '%s\n' "${all[@]}" | sed "s|^|$corpus/|")
hyperfine -N -i -w 1 -r 3 --export-json "$work/jobs.json" \
  -n "jobs 1" "$tool serial --jobs 1 ${files[*]}" \
  -n "jobs 2" "$tool serial --jobs 2 ${files[*]}" \
  -n "jobs 1 classic" "$tool serial --jobs 1 --classic ${files[*]}" \
  -n "jobs 2 classic" "$tool serial --jobs 2 --classic ${files[*]}" >/dev/null 2>&1

python3 - "$work" "${#all[@]}" <<'EOF'
import glob, json, os, statistics, sys

work, notes = sys.argv[1], int(sys.argv[2])
print(f"{'note':<22}{'verified ms':>13}{'classic ms':>12}{'tesseract ms':>14}{'x verified':>12}{'x classic':>11}")
ratios = {"verified": [], "classic": []}
for path in sorted(glob.glob(os.path.join(work, "[0-9]*.json")), key=lambda p: int(os.path.basename(p)[:-5])):
    name = open(path[:-5] + ".name").read().strip()
    med = {r["command"]: r["median"] * 1000 for r in json.load(open(path))["results"]}
    for reader in ratios:
        ratios[reader].append(med["tesseract"] / med[reader])
    print(f"{name:<22}{med['verified']:>13.1f}{med['classic']:>12.1f}{med['tesseract']:>14.1f}"
          f"{ratios['verified'][-1]:>12.1f}{ratios['classic'][-1]:>11.1f}")
for reader, values in ratios.items():
    print(f"{reader}: median {statistics.median(values):.1f}x faster than tesseract, "
          f"least {min(values):.1f}x, over {len(values)} notes")
for r in json.load(open(os.path.join(work, "jobs.json")))["results"]:
    print(f"{r['command']:<15} {notes} notes in {r['median']:.2f} s: {notes / r['median']:.1f} notes/s")
EOF
