#!/usr/bin/env bash
# Measures the serial readers on a corpus of note scans: `verevizu serial
# --classic` (the plain vote over the passes), `verevizu serial` (the
# verified reading) and, as a peer, tesseract on the whole note followed by a
# regular expression for the currency's serial layout. Prints one table row
# per group (all notes, each presentation of a shifted corpus, each currency,
# each serial font) and reader:
#   exact          notes whose serial came out exactly
#   valid, wrong   notes reported valid with a wrong serial (classic: a
#                  confidence of 90 or more; tesseract: a token in the layout)
#   no serial      notes that gave no serial at all (verified: no valid one)
#   median, p90    milliseconds per note, one note at a time
#
#   bench/serial_corpus.sh [CORPUS_DIR] [BUILD_DIR]
# CORPUS_DIR defaults to ../shared/corpus beside the repository; its
# notes.tsv names the notes (file, currency, serial, ..., font). BUILD_DIR
# defaults to build-rel, a Release build of the verevizu target:
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_TESTS=OFF
#   cmake --build build-rel -j2 --target verevizu
# Needs tesseract (apt-get install tesseract-ocr) and python3.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/corpus}
build=${2:-$root/build-rel}
tool=$build/cli/verevizu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_THREAD_LIMIT=1  # tesseract on one thread per process

for cmd in "$tool" tesseract python3; do
  command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 2; }
done
[[ -f $corpus/notes.tsv ]] || { echo "no notes.tsv in $corpus" >&2; exit 2; }

# file currency serial font presentation, one line per note; presentation is
# the column a shifted corpus adds (bench/serial_shifted.sh), else empty.
awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "presentation") p = i; next }
  { print $1 "\t" $2 "\t" $3 "\t" $7 "\t" (p ? $p : "") }' "$corpus/notes.tsv" >"$work/truth"
mapfile -t files < <(cut -f1 "$work/truth" | sed "s|^|$corpus/|")

# Exit code 1 only says that some note gave no (valid) serial.
"$tool" serial --classic --jobs 1 --json "${files[@]}" >"$work/classic.json" || [[ $? == 1 ]]
"$tool" serial --jobs 1 --json "${files[@]}" >"$work/verified.json" || [[ $? == 1 ]]

source "$root/bench/serial_layout.sh"

# tesseract: sparse text, then the first whole token in the currency's layout.
: >"$work/peer.tsv"
while IFS=$'\t' read -r file currency _ _ _; do
  start=$(date +%s%N)
  text=$(tesseract "$corpus/$file" stdout --psm 11 2>/dev/null || true)
  end=$(date +%s%N)
  got=$(tr -s ' \t' '\n\n' <<<"$text" | grep -xE "$(layout "$currency")" | head -n 1 || true)
  printf '%s\t%s\t%d\n' "$file" "$got" $(((end - start) / 1000000)) >>"$work/peer.tsv"
done <"$work/truth"

python3 - "$work" <<'EOF'
import json, os, re, sys
from collections import defaultdict

work = sys.argv[1]
truth, presented = {}, {}
for line in open(os.path.join(work, "truth")):
    file, currency, serial, font, presentation = line.rstrip("\n").split("\t")
    truth[file] = (currency, serial, re.sub(r"\(.*", "", font))
    presented[file] = dict(p.split("=", 1) for p in presentation.split(";") if "=" in p)

# The groups of a shifted corpus's presentations a note belongs to.
def presentation_groups(p):
    if not p:
        return []
    skew = abs(float(p.get("skew", 0)))
    groups = ["upside down" if p.get("turned") == "180" else "upright"]
    groups.append("on a scanner bed" if "bed" in p else "cropped")
    if "bed" not in p and p.get("turned") != "180" and "dpi" not in p:
        groups.append("upright, cropped, skew " +
                      ("under 1" if skew < 1 else "1-2.5" if skew <= 2.5 else "over 2.5"))
    if "dpi" in p:
        groups.append(p["dpi"] + " dpi")
    return groups

def from_json(name, reported_valid):
    out = {}
    for line in open(os.path.join(work, name)):
        j = json.loads(line)
        out[os.path.basename(j["file"])] = (j.get("serial", ""), reported_valid(j), j["ms"])
    return out

readers = [
    ("classic", from_json("classic.json", lambda j: j.get("confidence", 0) >= 90)),
    ("verified", from_json("verified.json", lambda j: j.get("valid", False))),
    ("tesseract", {f: (s, s != "", int(ms)) for f, s, ms in
                   (l.rstrip("\n").split("\t") for l in open(os.path.join(work, "peer.tsv")))}),
]

groups = defaultdict(list)
shown = set()
for file, (currency, _, font) in truth.items():
    groups["all"].append(file)
    groups[currency].append(file)
    groups[font].append(file)
    for g in presentation_groups(presented[file]):
        groups[g].append(file)
        shown.add(g)
order = ["all"] + sorted(shown) + sorted(g for g in groups if g in ("USD", "EUR", "LBP")) + \
        sorted(g for g in groups if g not in shown and g not in ("all", "USD", "EUR", "LBP"))

def percentile(values, p):
    v = sorted(values)
    return v[min(len(v) - 1, int(p * len(v)))] if v else 0

print("| group | notes | reader | exact | valid, wrong | no serial | median ms | p90 ms |")
print("|---|---|---|---|---|---|---|---|")
for g in order:
    files = groups[g]
    for name, got in readers:
        exact = wrong = none = 0
        times = []
        for f in files:
            serial, valid, ms = got.get(f, ("", False, 0))
            times.append(ms)
            if serial == truth[f][1]:
                exact += 1
            elif valid:
                wrong += 1
            if serial == "":
                none += 1
        median = percentile(times, 0.5) if len(times) % 2 else \
            (sorted(times)[len(times) // 2 - 1] + sorted(times)[len(times) // 2]) / 2
        print(f"| {g} | {len(files)} | {name} | {exact} | {wrong} | {none} | "
              f"{median:g} | {percentile(times, 0.9)} |")
EOF
