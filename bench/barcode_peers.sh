#!/usr/bin/env bash
# Reads every fixture barcode image with `verevizu barcode` and, as peers, with
# zbarimg (zbar-tools) and ZXingReader (zxing-cpp-tools), each told to look
# for the image's symbology only. Prints one row per symbology: the images
# whose true text is among the codes the tool reported, and the median over
# the images of each image's median wall time (RUNS runs, process start
# included, as a user meets it). A peer that has no decoder for a symbology
# shows n/a.
#
#   bench/barcode_peers.sh [BUILD_DIR] [DATA_DIR] [RUNS]
# BUILD_DIR defaults to build-bench (`make bench`), else build-rel (a Release
# build of the verevizu target);
# DATA_DIR to tests/data/barcodes, whose barcodes_all.tsv holds the truth;
# RUNS to 10.
#
# Peers write some texts in their own form: UPC-A as thirteen digits, UPC-E
# as its eight-digit or expanded twelve-digit number, Codabar without its
# start and stop letters, an Italian pharmacode as the Code 39 text it is
# drawn with. Such reads are counted apart and shown in brackets beside the
# exact count. An add-on row passes only when the main
# EAN-13 of the image is reported too. The two edge cases put the add-on too
# close to the main symbol for a separate candidate; there we pass when no
# EAN, UPC or add-on code is reported, and the peers' reads are listed below
# the table.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
[[ -n "${1:-}" || -x "$build/cli/verevizu" ]] || build=$root/build-rel
data=${2:-$root/tests/data/barcodes}
runs=${3:-10}
tool=$build/cli/verevizu
zbar=/usr/bin/zbarimg
zxing=$(dpkg -L zxing-cpp-tools 2>/dev/null | grep '/ZXingReader$' || command -v ZXingReader || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for cmd in "$tool" "$zbar" "$zxing"; do
  [[ -x "$cmd" ]] || { echo "missing: ${cmd:-ZXingReader}" >&2; exit 2; }
done

median() { sort -n | awk '{v[NR] = $1} END {if (NR == 0) print "-"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# timed OUT CMD...: runs CMD RUNS times, keeps the output of the first run in
# OUT and prints the median wall time in milliseconds.
timed() {
  local out=$1 i start end
  shift
  : >"$work/ms"
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    if ((i == 0)); then "$@" >"$out" 2>/dev/null || true; else "$@" >/dev/null 2>&1 || true; fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) >>"$work/ms"
  done
  median <"$work/ms" | awk '{printf "%.1f", $1 / 1000}'
}

# Each tool's name for a symbology; empty where it has no decoder. An add-on
# is looked for together with its main symbol.
ours_types() {
  case $1 in
    edge) echo ean13,ean8,upca,upce,ext2,ext5 ;;
    bcEXT2) echo ext2,ean13 ;;
    bcEXT5) echo ext5,ean13 ;;
    *) echo "$1" ;;
  esac
}
zbar_config() {
  case $1 in
    bc2of5Interlaved) echo i25 ;;
    bcCode39 | bcPharmaCode) echo code39 ;;
    bcEAN13) echo ean13 ;;
    bcEAN8) echo ean8 ;;
    bcUPCA) echo ean13,upca ;;
    bcUPCE) echo upce ;;
    bcEXT2) echo ean13,ean2 ;;
    bcEXT5) echo ean13,ean5 ;;
    bcCodaBar) echo codabar ;;
    bcCode128) echo code128 ;;
    bcCode93) echo code93 ;;
    edge) echo ean13,upca,ean2,ean5 ;;
  esac
}
zxing_format() {
  case $1 in
    bc2of5Interlaved) echo ITF ;;
    bcCode39 | bcPharmaCode) echo Code39 ;;
    bcEAN13) echo EAN-13 ;;
    bcEAN8) echo EAN-8 ;;
    bcUPCA) echo UPC-A ;;
    bcUPCE) echo UPC-E ;;
    bcCodaBar) echo Codabar ;;
    bcCode128) echo Code128 ;;
    bcCode93) echo Code93 ;;
    edge) echo EAN-13,UPC-A ;;
  esac
}

# The texts a reader may write for the same symbol in its own form, one a
# line, from the symbology and the truth table's note.
equivalents() {
  local type=$1 text=$2 note=$3 expanded
  case $type in
    bcUPCA) echo "0$text" ;;
    bcUPCE)
      expanded=$(sed -n 's/.*expanded UPC-A \([0-9]*\).*/\1/p' <<<"$note")
      [[ -n "$expanded" ]] && printf '%s\n0%s\n0%s%s\n' "$expanded" "$expanded" "$text" "${expanded: -1}"
      ;;
    bcCodaBar) echo "${text:1:${#text}-2}" ;;
    bcPharmaCode)
      echo "A$text"
      sed -n 's/.*Code 39 text \([^;]*\);.*/\1/p' <<<"$note"
      ;;
  esac
}

# Per-row results: symbology tool exact equivalent ms (exact/equivalent 0/1).
: >"$work/rows"
: >"$work/edge_reads"
tiffs_left_out=0
# Tabs become unit separators: bash folds runs of tabs, and so empty columns.
tail -n +2 "$data/barcodes_all.tsv" | tr '\t' '\037' >"$work/truth"
while IFS=$'\037' read -r file type _data text note _module _ratio _checked also _rest; do
  image=$data/$file
  key=$type
  [[ $file == bc_edge_* ]] && key=edge
  # The main symbol that must be reported beside an add-on ("bcEAN13:digits").
  main=${also#*:}

  # Ours: the code texts are the third column of its tab-separated lines.
  ms=$(timed "$work/out" "$tool" barcode --types "$(ours_types "$key")" "$image")
  cut -f3 "$work/out" >"$work/texts"
  if [[ $key == edge ]]; then
    exact=$([[ -s "$work/texts" ]] && echo 0 || echo 1)
  else
    exact=$(grep -qxF -- "$text" "$work/texts" && { [[ -z "$main" ]] || grep -qxF -- "$main" "$work/texts"; } && echo 1 || echo 0)
  fi
  echo "$key ours $exact 0 $ms" >>"$work/rows"

  # The peers: exact, else in an equivalent form.
  for peer in zbar zxing; do
    if [[ $peer == zbar ]]; then
      config=$(zbar_config "$key")
      [[ -z "$config" ]] && continue
      args=(-Sdisable)
      for sym in ${config//,/ }; do args+=("-S$sym.enable"); done
      ms=$(timed "$work/out" "$zbar" --raw -q "${args[@]}" "$image")
      cp "$work/out" "$work/texts"
    else
      config=$(zxing_format "$key")
      [[ -z "$config" ]] && continue
      # ZXingReader opens PNG, JPEG and the like, not TIFF.
      if [[ $file == *.tif ]]; then
        tiffs_left_out=$((tiffs_left_out + 1))
        echo "$key $peer skip skip -" >>"$work/rows"
        continue
      fi
      ms=$(timed "$work/out" "$zxing" -1 -format "$config" "$image")
      sed -n 's/^[^ ]* [^ ]* "\(.*\)"$/\1/p' "$work/out" >"$work/texts"
    fi
    if [[ $key == edge ]]; then
      echo "  $file $peer: $(paste -sd' ' "$work/texts")" >>"$work/edge_reads"
      echo "$key $peer - - $ms" >>"$work/rows"
      continue
    fi
    exact=0
    equivalent=0
    if grep -qxF -- "$text" "$work/texts"; then
      exact=1
    else
      while IFS= read -r form; do
        [[ -n "$form" ]] && grep -qxF -- "$form" "$work/texts" && equivalent=1
      done < <(equivalents "$type" "$text" "$note")
    fi
    if [[ -n "$main" ]] && ! grep -qxF -- "$main" "$work/texts"; then
      exact=0
      equivalent=0
    fi
    echo "$key $peer $exact $equivalent $ms" >>"$work/rows"
  done
done <"$work/truth"

# cell KEY TOOL: "rate | ms" for one symbology and tool.
cell() {
  awk -v key="$1" -v tool="$2" '
    $1 == key && $2 == tool && $3 == "skip" { skipped++ }
    $1 == key && $2 == tool && $3 != "skip" {
      n++
      if ($3 == "-") peek = 1
      exact += $3
      equivalent += $4
    }
    END {
      if (n == 0) { printf skipped ? "no TIFF" : "n/a"; exit }
      if (peek) { printf "(below)"; exit }
      printf "%d/%d", exact, n
      if (equivalent > 0) printf " [+%d]", equivalent
    }' "$work/rows"
  printf ' | '
  awk -v key="$1" -v tool="$2" '$1 == key && $2 == tool && $5 != "-" {print $5}' "$work/rows" | median |
    awk '{if ($1 == "-") print "-"; else printf "%.1f\n", $1}'
}

printf '%s\n' "symbology | ours rate | ours ms | zbar rate | zbar ms | zxing rate | zxing ms"
while read -r key; do
  printf '%s | %s | %s | %s\n' "$key" "$(cell "$key" ours)" "$(cell "$key" zbar)" "$(cell "$key" zxing)"
done < <(awk '!seen[$1]++ {print $1}' "$work/rows")
echo
echo "rate: images whose true text was reported; [+n]: n more in the tool's own text form."
echo "ms: median over the images of the median wall time of $runs runs, process start included."
echo "edge: the add-on too close to its main symbol; ours passes when no EAN, UPC or add-on"
echo "code is reported. The peers' reads:"
cat "$work/edge_reads"
((tiffs_left_out > 0)) && echo "ZXingReader cannot open TIFF: $tiffs_left_out TIFF images left out of its counts."
exit 0
