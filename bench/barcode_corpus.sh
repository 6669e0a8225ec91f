#!/usr/bin/env bash
# The barcode corpus read as a user meets it: every bc_* image of the corpus
# folder (truth in its barcodes.tsv) read by `verevizu barcode` with the
# default options and with --types all, and by the peers zbarimg (zbar-tools,
# its defaults with the EAN-2 and EAN-5 add-ons enabled) and ZXingReader
# (zxing-cpp-tools, its linear formats). One table: the share of images whose
# true code is reported (type and text), and the number of reported codes
# that are not on the image (false readings), over the whole corpus and over
# the degraded images (blur and noise) alone; then the images a peer reads
# and we miss, and the speed per image in process.
#
#   bench/barcode_corpus.sh [CORPUS_DIR] [BUILD_DIR] [RUNS]
# CORPUS_DIR defaults to ../shared/corpus beside the repository;
# BUILD_DIR to build-bench (`make bench`), else build-rel (a Release build
# with -DVEREVIZU_BUILD_BENCH=ON of the targets verevizu and
# bench_barcode_corpus); RUNS (timing runs per image) to 10, and 0 leaves the
# speed out.
#
# Scoring. A peer reads only some symbologies: its share counts the images of
# those, but its false readings count every image it was given. A peer may
# write a code in its own form: UPC-A as thirteen digits, UPC-E with its
# number system and check digit or as the UPC-A it expands to, Codabar
# without its start and stop letters,
# an Italian pharmacode as the Code 39 text it is drawn with; those count as
# read. An add-on image counts as read when the main symbol beside it is
# reported too. The two bc_edge_* images hold an add-on too close to its main
# symbol for a candidate of its own: ours reads them right when it reports no
# code at all; the peers, which know the standard gap, are not scored on them.
# ZXingReader 1.4 opens no TIFF: the TIFF images are left out of its counts.
#
# Speed. Ours: bench_barcode_corpus, which loads every image before timing
# and times the reader alone. ZXingReader has no timing of its own: hyperfine
# times it per image, and the median time of the same command on a blank
# 1 x 1 PNG (process start, library loading, a trivial read) is taken off.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/corpus}
build=${2:-$root/build-bench}
[[ -n "${2:-}" || -x "$build/cli/verevizu" ]] || build=$root/build-rel
runs=${3:-10}
tool=$build/cli/verevizu
bench=$build/bench/bench_barcode_corpus
zbar=/usr/bin/zbarimg
zxing=$(command -v ZXingReader || true)
zxing_formats=Codabar,Code39,Code93,Code128,EAN-8,EAN-13,ITF,UPC-A,UPC-E
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for cmd in "$tool" "$zbar" "$zxing"; do
  [[ -x "$cmd" ]] || { echo "missing: ${cmd:-ZXingReader}" >&2; exit 2; }
done
[[ -f "$corpus/barcodes.tsv" ]] || { echo "no barcodes.tsv in $corpus" >&2; exit 2; }

images=()
while IFS= read -r f; do images+=("$f"); done < <(awk -F'\t' 'NR > 1 {print $1}' "$corpus/barcodes.tsv")

# Readings, one a line: TOOL<TAB>FILE<TAB>TYPE<TAB>TEXT, TYPE in our names.
# Given: TOOL<TAB>FILE for every image a tool was given.
: >"$work/readings"
: >"$work/given"
for options in default all; do
  args=(--jobs 2)
  [[ $options == all ]] && args+=(--types all)
  # The tool exits 1 when an image gives no code.
  (cd "$corpus" && { "$tool" barcode "${args[@]}" -- "${images[@]}" 2>/dev/null || true; }) |
    awk -F'\t' -v OFS='\t' -v t="ours-$options" '{print t, $1, $2, $3}' >>"$work/readings"
  printf "ours-$options\t%s\n" "${images[@]}" >>"$work/given"
done

# zbarimg writes TYPE:TEXT lines.
for f in "${images[@]}"; do
  [[ $f == bc_edge_* ]] && continue
  echo -e "zbar\t$f" >>"$work/given"
  { "$zbar" -q -Sean2.enable -Sean5.enable "$corpus/$f" 2>/dev/null || true; } |
    awk -v OFS='\t' -v f="$f" '
      BEGIN {
        split("EAN-13 bcEAN13 ISBN-13 bcEAN13 UPC-A bcUPCA EAN-8 bcEAN8 UPC-E bcUPCE " \
              "I2/5 bc2of5Interlaved CODE-39 bcCode39 CODE-93 bcCode93 CODE-128 bcCode128 " \
              "Codabar bcCodaBar EAN-2 bcEXT2 EAN-5 bcEXT5", m, " ")
        for (i = 1; i < length(m); i += 2) type[m[i]] = m[i + 1]
      }
      {
        c = index($0, ":")
        t = substr($0, 1, c - 1)
        print "zbar", f, (t in type) ? type[t] : t, substr($0, c + 1)
      }' >>"$work/readings"
done

# ZXingReader -1 writes FILE FORMAT "TEXT" lines, or FILE None.
for f in "${images[@]}"; do
  [[ $f == bc_edge_* || $f == *.tif ]] && continue
  echo -e "zxing\t$f" >>"$work/given"
  { "$zxing" -1 -format "$zxing_formats" "$corpus/$f" 2>/dev/null || true; } |
    sed -n 's/^[^ ]* \([^ ]*\) "\(.*\)"$/\1\t\2/p' |
    awk -F'\t' -v OFS='\t' -v f="$f" '
      BEGIN {
        split("EAN-13 bcEAN13 UPC-A bcUPCA EAN-8 bcEAN8 UPC-E bcUPCE ITF bc2of5Interlaved " \
              "Code39 bcCode39 Code93 bcCode93 Code128 bcCode128 Codabar bcCodaBar", m, " ")
        for (i = 1; i < length(m); i += 2) type[m[i]] = m[i + 1]
      }
      {print "zxing", f, ($1 in type) ? type[$1] : $1, $2}' >>"$work/readings"
done

# The table. Ours is held to the exact type and text; the peers to the same
# code in their own form (canon below).
awk -F'\t' -v OFS='\t' -v lists="$work/lists" '
  function canon(type, text) {
    if (type == "bcUPCA" && length(text) == 12) return "bcEAN13:0" text
    if (type == "bcUPCA") type = "bcEAN13"
    if (type == "bcUPCE" && length(text) == 8) text = substr(text, 2, 6)
    if (type == "bcCodaBar" && text ~ /^[A-D].*[A-D]$/) text = substr(text, 2, length(text) - 2)
    return type ":" text
  }
  function peer(tool) { return tool == "zbar" || tool == "zxing" }
  # Whether the tool reads the symbology of the image at all.
  function reads(tool, f,    s) {
    s = sym[f]
    if (!peer(tool)) return 1
    if (f ~ /^bc_edge_/) return 0
    if (s ~ /^(bc2of5Interlaved|bcCode39|bcPharmaCode|bcEAN13|bcEAN8|bcUPCA|bcUPCE|bcCodaBar|bcCode128|bcCode93)$/) return 1
    return tool == "zbar" && (s == "bcEXT2" || s == "bcEXT5")
  }
  FILENAME == ARGV[1] {
    if (FNR == 1) next
    sym[$1] = $2
    degraded[$1] = $12 != "none"
    want[$1] = $2 ":" $4
    wantPeer[$1] = canon($2, $4)
    if ($2 == "bcPharmaCode" && match($5, /Code 39 text [^;]*/))
      alt[$1] = "bcCode39:" substr($5, RSTART + 13, RLENGTH - 13)
    if ($2 == "bcUPCE" && match($5, /expanded UPC-A [0-9]+/))
      alt[$1] = canon("bcUPCA", substr($5, RSTART + 15, RLENGTH - 15))
    if ($9 != "") { also[$1] = $9; split($9, a, ":"); alsoPeer[$1] = canon(a[1], a[2]) }
    next
  }
  FILENAME == ARGV[2] { given[$1, $2] = 1; next }
  {
    tool = $1; f = $2
    key = peer(tool) ? canon($3, $4) : $3 ":" $4
    if (f !~ /^bc_edge_/ && (peer(tool) ? (key == wantPeer[f] || key == alt[f]) : key == want[f]))
      main[tool, f] = 1
    else if (f in also && key == (peer(tool) ? alsoPeer[f] : also[f]))
      side[tool, f] = 1
    else {
      falses[tool]++
      if (degraded[f]) falsesDegraded[tool]++
      wrong[tool, f] = 1
    }
  }
  function read(tool, f) {
    if (f ~ /^bc_edge_/) return !wrong[tool, f]
    return main[tool, f] && (!(f in also) || side[tool, f])
  }
  function share(tool, only, degradedOnly,    f, n, k) {
    for (f in sym) {
      if (!given[tool, f] || !reads(tool, f) || (degradedOnly && !degraded[f])) continue
      if (only != "" && !(given[only, f] && reads(only, f))) continue
      n++
      k += read(tool, f)
    }
    return sprintf("%d/%d (%.0f %%)", k, n, n ? 100 * k / n : 0)
  }
  END {
    print "tool and options", "read: all", "read: degraded", "false: all", "false: degraded"
    split("ours-default|verevizu barcode|ours-all|verevizu barcode --types all|zbar|zbarimg|zxing|ZXingReader", names, "|")
    for (i = 1; i < 8; i += 2) {
      t = names[i]
      print names[i + 1], share(t, "", 0), share(t, "", 1), falses[t] + 0, falsesDegraded[t] + 0
    }
    print "verevizu barcode --types all, on zbarimg'"'"'s images", share("ours-all", "zbar", 0), share("ours-all", "zbar", 1), "", ""
    print "verevizu barcode --types all, on ZXingReader'"'"'s images", share("ours-all", "zxing", 0), share("ours-all", "zxing", 1), "", ""
    for (p = 1; p <= 2; p++) {
      t = p == 1 ? "zbar" : "zxing"
      for (o = 1; o <= 2; o++) {
        ours = o == 1 ? "ours-default" : "ours-all"
        missed = ""
        for (f in sym) if (given[t, f] && reads(t, f) && read(t, f) && !read(ours, f)) missed = missed " " f
        print "read by " names[2 * p + 4] ", missed by " names[2 * o] ":" (missed == "" ? " none" : missed) >lists
      }
    }
    for (i = 1; i < 8; i += 2) {
      list = ""
      for (f in sym) if (wrong[names[i], f]) list = list " " f
      if (list != "") print "false readings of " names[i + 1] ":" list >lists
    }
  }' "$corpus/barcodes.tsv" "$work/given" "$work/readings" |
  column -t -s $'\t' -o ' | '
echo
cat "$work/lists"
echo "(The default types are the reader's own: every type but Code 93.)"

((runs > 0)) || exit 0
echo
echo "Speed, median over the images of the median time per image, in process:"
if [[ -x "$bench" ]]; then
  "$bench" --corpus="$corpus" --runs="$runs" --benchmark_filter=none 2>/dev/null |
    awk -F'\t' '$2 ~ /types|type$/ {
      printf "  verevizu barcode%s (%s): %.3f ms CPU, %.3f ms wall\n", $1 == "classic" ? " --classic" : "",
        $2 == "default_types" ? "default types" : "every type", $4, $6
    }'
else
  echo "  ours: $bench not built (make bench, or build the target bench_barcode_corpus)"
fi
if command -v hyperfine >/dev/null; then
  base64 -d >"$work/blank.png" <<<"iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAAAAAA6fptVAAAACklEQVR4nGP4DwABAQEAsTj2FAAAAABJRU5ErkJggg=="
  # timing FILE: median wall ms and mean CPU ms of ZXingReader on FILE.
  timing() {
    hyperfine -N -w 2 -r "$runs" -i --export-json "$work/t.json" \
      "$zxing -1 -format $zxing_formats $1" >/dev/null 2>&1
    jq -r '.results[0] | "\(.median * 1000) \((.user + .system) * 1000)"' "$work/t.json"
  }
  read -r blank_wall blank_cpu < <(timing "$work/blank.png")
  : >"$work/zxing_ms"
  for f in "${images[@]}"; do
    [[ $f == bc_edge_* || $f == *.tif ]] && continue
    timing "$corpus/$f" >>"$work/zxing_ms"
  done
  awk -v bw="$blank_wall" -v bc="$blank_cpu" '
    function median(v, n,    i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    { wall[NR] = $1 - bw; cpu[NR] = $2 - bc }
    END {
      printf "  ZXingReader (linear formats, %d images): %.3f ms CPU, %.3f ms wall", NR, median(cpu, NR), median(wall, NR)
      printf " (its process on a blank 1 x 1 PNG, taken off: %.3f ms CPU, %.3f ms wall)\n", bc, bw
    }' "$work/zxing_ms"
else
  echo "  ZXingReader: hyperfine is not installed"
fi
