#!/usr/bin/env bash
# Peak memory and time of every command on hostile files: makes the files
# with bench/hostile_files.py, runs `verevizu info|ocr|barcode|serial` on each
# one alone (--jobs 1) under /usr/bin/time, and prints one tab-separated line
# per file and command: file, command, peak resident MB, seconds, exit code,
# and the first error line. Then the same for standard input from /dev/zero,
# a FIFO named on the command line, the mixed folder, and four copies of the
# worst decoder bomb with --jobs 4.
#
#   bench/hostile.sh [TOOL] [FOLDER]
# TOOL defaults to build-rel/cli/verevizu (a Release build), FOLDER to a new
# temporary folder for the files. Every run is held to LIMIT_S seconds (60)
# and LIMIT_GB gigabytes of address space (4), so that a tool without bounds
# cannot take the machine down: a run ended by the time limit shows exit 124,
# one that ran out of address space reports "Out of memory".
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tool=$(realpath "${1:-$root/build-rel/cli/verevizu}")
folder=${2:-$(mktemp -d)}
limit_s=${LIMIT_S:-60}
limit_kb=$((${LIMIT_GB:-4} * 1024 * 1024))

for cmd in python3 /usr/bin/time timeout mkfifo; do
  command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 2; }
done
[[ -x $tool ]] || { echo "no tool: $tool" >&2; exit 2; }
python3 "$root/bench/hostile_files.py" "$folder"
cd "$folder"

# Runs the tool with the arguments; prints MB, seconds, exit code, first error.
measure() {
  local err
  err=$(mktemp)
  /usr/bin/time -f '%M %e' -o "$err.time" \
    bash -c "ulimit -v $limit_kb; exec timeout --foreground -s KILL $limit_s \"\$@\" </dev/null >/dev/null 2>\"$err\"" \
    _ "$tool" "$@"
  local code=$?
  read -r kb s <"$err.time" 2>/dev/null || { kb=0; s=0; }
  [[ $kb =~ ^[0-9]+$ ]] || kb=$(tail -1 "$err.time" | cut -d' ' -f1)
  [[ $s =~ ^[0-9.]+$ ]] || s=$(tail -1 "$err.time" | cut -d' ' -f2)
  printf '%s\t%s\t%s\n' "$((kb / 1024))" "$s" "$code" | tr -d '\n'
  printf '\t%s\n' "$(grep -m1 -v '^\s*$' "$err" | cut -c1-110)"
  rm -f "$err" "$err.time"
}

printf 'file\tcommand\tMB\ts\texit\tfirst error line\n'
for f in png_1x100M_bilevel.png png_100Mx1_bilevel.png png_20000x20000_bilevel.png \
  png_one_byte_of_data.png bmp_rle8_20000x25000.bmp tiff_1x100M_deflate.tif \
  png_32x1500000_bilevel.png png_7000x7000_stripes.png png_7000x7000_rgb.png \
  png_dots_every_3px.png png_noise_bilevel.png jpeg_490_scans.jpg jpeg_5000_scans.jpg \
  unknown_1GiB.dat png_7000x7000_dots_every_2px.png png_7000x7000_noise.png \
  jpeg_7000x7000_rgb_100_scans.jpg bmp_rle8_7000x7000.bmp png_7000x7000_blob_grid.png; do
  for command in info ocr barcode serial; do
    printf '%s\t%s\t' "$f" "$command"
    measure "$command" --jobs 1 "$f"
  done
done

# Standard input is read only when asked for with "-"; /dev/zero named as a
# file and a FIFO must not block or fill memory.
printf 'dev_zero\tinfo\t'
measure info --jobs 1 /dev/zero
rm -f fifo.png && mkfifo fifo.png
printf 'fifo.png\tinfo\t'
measure info --jobs 1 fifo.png
printf 'mixed/\tinfo\t'
measure info --jobs 1 mixed
printf 'mixed/ lines\tinfo\t%s\n' "$(timeout 10 "$tool" info --jobs 1 mixed 2>/dev/null </dev/null | wc -l)"
printf '4 x bmp_rle8\tserial --jobs 4\t'
measure serial --jobs 4 bmp_rle8_20000x25000.bmp bmp_rle8_20000x25000.bmp \
  bmp_rle8_20000x25000.bmp bmp_rle8_20000x25000.bmp
