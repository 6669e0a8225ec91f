#!/usr/bin/env bash
# Reads the fixture notes with `verevizu serial` and, as a peer, with the
# tesseract command-line OCR on the whole note followed by a regular
# expression for the currency's serial layout. Prints one table row per
# reader: notes read exactly, the median wall time per note and the mean CPU
# time per note on one thread, and the notes per second of the whole set with
# two jobs (hyperfine, 3 runs). On a loaded machine the wall times grow, the
# CPU times much less.
#
#   bench/serial_notes.sh [BUILD_DIR] [NOTES_DIR]
# BUILD_DIR defaults to build-rel (a Release build of the verevizu target);
# NOTES_DIR to tests/data/notes (its notes.tsv holds the true serials).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-rel}
notes=${2:-$root/tests/data/notes}
tool=$build/cli/verevizu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_THREAD_LIMIT=1  # tesseract on one thread per process

for cmd in "$tool" tesseract hyperfine; do
  command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 2; }
done

# file currency serial, one line per note.
tail -n +2 "$notes/notes.tsv" | cut -f1-3 >"$work/truth"
count=$(wc -l <"$work/truth")

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

source "$root/bench/serial_layout.sh"

# --- verevizu: one thread, times from its own JSON "ms" member.
/usr/bin/time -f '%U %S' -o "$work/ours.cpu" "$tool" serial --jobs 1 --json "$notes" >"$work/ours.json" || true
ours_exact=0
while IFS=$'\t' read -r file currency serial; do
  got=$(grep -F "\"file\":\"$notes/$file\"" "$work/ours.json" | sed -n 's/.*"serial":"\([^"]*\)".*/\1/p')
  [[ "$got" == "$serial" ]] && ours_exact=$((ours_exact + 1))
done <"$work/truth"
ours_median=$(sed -n 's/.*"ms":\([0-9]*\).*/\1/p' "$work/ours.json" | median)
# time(1) puts a line before its figures when the tool exits non-zero.
ours_cpu=$(awk -v n="$count" '/^[0-9]/ {t = $1 + $2} END {printf "%.0f", t * 1000 / n}' "$work/ours.cpu")

# --- tesseract: sparse text, then the first whole token in the currency's layout.
: >"$work/peer.ms"
: >"$work/peer.cpu"
peer_exact=0
while IFS=$'\t' read -r file currency serial; do
  start=$(date +%s%N)
  text=$(/usr/bin/time -f '%U %S' -a -o "$work/peer.cpu" tesseract "$notes/$file" stdout --psm 11 2>/dev/null || true)
  end=$(date +%s%N)
  echo $(((end - start) / 1000000)) >>"$work/peer.ms"
  got=$(tr -s ' \t' '\n\n' <<<"$text" | grep -xE "$(layout "$currency")" | head -n 1 || true)
  [[ "$got" == "$serial" ]] && peer_exact=$((peer_exact + 1))
done <"$work/truth"
peer_median=$(median <"$work/peer.ms")
peer_cpu=$(awk -v n="$count" '/^[0-9]/ {t += $1 + $2} END {printf "%.0f", t * 1000 / n}' "$work/peer.cpu")

# --- throughput of the whole set with two jobs.
hyperfine --runs 3 --warmup 1 --style none --export-json "$work/hf.json" \
  -n ours "'$tool' serial --jobs 2 '$notes' >/dev/null || true" \
  -n peer "cut -f1 '$work/truth' | xargs -P 2 -I{} tesseract '$notes/{}' stdout --psm 11 >/dev/null 2>&1" \
  >/dev/null
rates=$(sed -n 's/.*"median": *\([0-9.]*\).*/\1/p' "$work/hf.json" | awk -v n="$count" '{printf "%.1f\n", n / $1}')
ours_rate=$(sed -n 1p <<<"$rates")
peer_rate=$(sed -n 2p <<<"$rates")

printf '| reader | exact serials | median wall ms/note, 1 thread | mean CPU ms/note | notes/s, 2 jobs |\n'
printf '|---|---|---|---|---|\n'
printf '| verevizu serial (AUTO) | %d/%d | %s | %s | %s |\n' "$ours_exact" "$count" "$ours_median" "$ours_cpu" "$ours_rate"
printf '| tesseract --psm 11 + layout regex | %d/%d | %s | %s | %s |\n' "$peer_exact" "$count" "$peer_median" "$peer_cpu" "$peer_rate"
