#!/usr/bin/env bash
# Codes reported where there are none: `verevizu barcode` (its defaults,
# --types all, and --classic: the reader's own upright sweep as the tool
# printed it before it read turned codes) and, as peers, zbarimg (its
# defaults with the 2- and 5-digit add-ons) and ZXingReader (its linear
# formats), on pictures that hold no barcode: banknotes (a Lebanese pound
# note's Code 39 of its serial is the one code they may report), text pages
# and serial strips, the text pages turned by 90, 180 and 270 degrees and
# tilted, and pure noise (bench_test_pictures noise). One row per folder:
# the pictures, then per tool the codes it reported that are not on the
# picture and, in brackets, the pictures with any; the false codes
# themselves are listed below the table.
#
#   bench/barcode_false_readings.sh [BUILD_DIR] [FOLDER...]
# BUILD_DIR defaults to build-bench (`make bench`). Without folders: the
# corpus's notes (../shared/corpus), the fixtures' notes, text pages and
# serial strips (../shared/fixtures), the text pages of tests/data/texts
# turned and tilted, and noise. A folder's notes.tsv (file, currency,
# serial, ...) names the pound notes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
shift || true
tool=$build/cli/verevizu
pictures=$build/bench/bench_test_pictures
zbar=/usr/bin/zbarimg
zxing=$(command -v ZXingReader || true)
zxing_formats=Codabar,Code39,Code93,Code128,EAN-8,EAN-13,ITF,UPC-A,UPC-E
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for cmd in "$tool" "$pictures" "$zbar" "$zxing"; do
  [[ -x "$cmd" ]] || { echo "missing: ${cmd:-ZXingReader} (make bench)" >&2; exit 2; }
done

# Folders: NAME<TAB>DIR<TAB>GLOB, one a line.
: >"$work/folders"
if (($# > 0)); then
  for dir in "$@"; do printf '%s\t%s\t*\n' "$(basename "$dir")" "$(cd "$dir" && pwd)" >>"$work/folders"; done
else
  shared=$root/../shared
  texts=$root/tests/data/texts
  for angle in 90 180 270; do
    "$pictures" turn --angle=$angle "$work/texts-$angle" "$texts"/txt_*.png
  done
  "$pictures" turn --tilt=30,30 "$work/texts-tilted" "$texts"/txt_*.png >/dev/null
  "$pictures" noise --seed=29 "$work/noise"
  {
    printf 'corpus notes\t%s\tnote_*\n' "$shared/corpus"
    printf 'fixture notes\t%s\tnote_*\n' "$shared/fixtures"
    printf 'fixture text pages\t%s\ttxt_*\n' "$shared/fixtures"
    printf 'fixture serial strips\t%s\tserial_*\n' "$shared/fixtures"
    for angle in 90 180 270; do printf 'text pages turned %s\t%s\t*\n' $angle "$work/texts-$angle"; done
    printf 'text pages tilted\t%s\t*\n' "$work/texts-tilted"
    printf 'noise\t%s\t*\n' "$work/noise"
  } >>"$work/folders"
fi

# Readings: FOLDER<TAB>TOOL<TAB>FILE<TAB>TYPE<TAB>TEXT; truth: FOLDER<TAB>FILE<TAB>TYPE:TEXT.
: >"$work/readings"
: >"$work/truth"
: >"$work/counts"
while IFS=$'\t' read -r name dir glob; do
  files=()
  for f in "$dir"/$glob; do
    case $f in *.png | *.tif | *.tiff | *.jpg | *.jpeg | *.bmp) files+=("$f") ;; esac
  done
  printf '%s\t%d\n' "$name" ${#files[@]} >>"$work/counts"
  ((${#files[@]} > 0)) || continue
  [[ -f "$dir/notes.tsv" ]] &&
    awk -F'\t' -v OFS='\t' -v n="$name" -v d="$dir" 'NR > 1 && $2 == "LBP" {print n, d "/" $1, "bcCode39:" $3}' \
      "$dir/notes.tsv" >>"$work/truth"
  for options in default all classic; do
    args=(--jobs 2)
    [[ $options == all ]] && args+=(--types all)
    [[ $options == classic ]] && args+=(--classic)
    { "$tool" barcode "${args[@]}" -- "${files[@]}" 2>/dev/null || true; } |
      awk -F'\t' -v OFS='\t' -v n="$name" -v t="$options" '{print n, t, $1, $2, $3}' >>"$work/readings"
  done
  for f in "${files[@]}"; do
    { "$zbar" -q -Sean2.enable -Sean5.enable "$f" 2>/dev/null || true; } |
      awk -v OFS='\t' -v n="$name" -v f="$f" '{
        c = index($0, ":")
        t = substr($0, 1, c - 1)
        print n, "zbar", f, t == "CODE-39" ? "bcCode39" : t, substr($0, c + 1)
      }' >>"$work/readings"
    # ZXingReader opens no TIFF.
    [[ $f == *.tif || $f == *.tiff ]] && continue
    { "$zxing" -1 -format "$zxing_formats" "$f" 2>/dev/null || true; } |
      sed -n 's/^[^ ]* \([^ ]*\) "\(.*\)"$/\1\t\2/p' |
      awk -F'\t' -v OFS='\t' -v n="$name" -v f="$f" '{print n, "zxing", f, $1 == "Code39" ? "bcCode39" : $1, $2}' \
        >>"$work/readings"
  done
done <"$work/folders"

awk -F'\t' -v OFS='\t' -v listing="$work/listing" '
  FILENAME == ARGV[1] { truth[$2, $3] = 1; next }
  FILENAME == ARGV[2] { order[++folders] = $1; pictures[$1] = $2; next }
  {
    if (truth[$3, $4 ":" $5]) next
    codes[$1, $2]++
    if (!seen[$1, $2, $3]++) hit[$1, $2]++
    print $2 ": " $3 "\t" $4 "\t" $5 >listing
  }
  END {
    n = split("default|all|classic|zbar|zxing", tools, "|")
    print "folder", "pictures", "verevizu barcode", "--types all", "--classic", "zbarimg", "ZXingReader"
    for (i = 1; i <= folders; i++) {
      f = order[i]
      line = f OFS pictures[f]
      for (t = 1; t <= n; t++) line = line OFS (codes[f, tools[t]] + 0) " (" (hit[f, tools[t]] + 0) ")"
      print line
    }
  }' "$work/truth" "$work/counts" "$work/readings" | column -t -s $'\t' -o ' | '
echo
echo "Codes reported that are not on the picture (and in brackets the pictures with any)."
if [[ -s "$work/listing" ]]; then
  echo "The false codes:"
  sort "$work/listing" | sed 's/^/  /'
fi
