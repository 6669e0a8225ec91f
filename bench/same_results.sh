#!/usr/bin/env bash
# Proves that a change keeps every reading identical: builds the verevizu tool
# in Release from a git revision and from the working tree, runs
# `serial --json --classic`, `serial --json` (the verified reading),
# `ocr --json` and `barcode --json` with both over the samples, the test data
# and a corpus folder, drops the "ms" members (the only part that may differ)
# and compares the outputs byte for byte. A revision from before the verified
# reading (no --classic) gives the classic reading for `serial --json`; its
# verified reading is then reported as not there to compare.
#
#   bench/same_results.sh [REVISION] [CORPUS_DIR]
# REVISION defaults to main, CORPUS_DIR to ../shared/corpus. The builds live in
# build-same/ and are kept: a revision's build is reused, the working tree's
# is brought up to date. Exits 0 when every output matches, 1 otherwise (the
# differences are printed), 2 on a setup error. JOBS (default 2) sets the build
# parallelism; the builds run under nice. KEEP=FOLDER keeps both outputs of a
# command that differs there, for a closer look.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
revision=${1:-main}
corpus=${2:-$root/../shared/corpus}
jobs=${JOBS:-2}
top=$root/build-same

for cmd in git cmake cmp diff; do
  command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 2; }
done
[[ -d "$corpus" ]] || { echo "no corpus folder: $corpus" >&2; exit 2; }
commit=$(git -C "$root" rev-parse --verify "$revision^{commit}") || exit 2

# Configures and builds the verevizu target of SOURCE in BUILD.
build() {
  local source=$1 build=$2
  nice cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_TESTS=OFF >/dev/null
  nice cmake --build "$build" --target verevizu -j "$jobs" >/dev/null
}

# The revision's sources come from git archive, so no other worktree is made.
base_src=$top/src-$commit
if [[ ! -x $top/base-$commit/cli/verevizu ]]; then
  rm -rf "$base_src"
  mkdir -p "$base_src"
  git -C "$root" archive "$commit" | tar -x -C "$base_src"
  echo "building $revision (${commit:0:12})" >&2
  build "$base_src" "$top/base-$commit"
fi
echo "building the working tree" >&2
build "$root" "$top/work"

# Every image file of the three sets, in one fixed order; relative paths so
# that both tools print the same names.
cd "$root"
mapfile -t files < <(
  {
    find samples tests/data -type f
    find "$corpus" -type f
  } | grep -Ei '\.(png|tiff?|jpe?g|bmp|dib|ico|wmf)$' | LC_ALL=C sort
)
echo "${#files[@]} images" >&2

# Whether the tool has the verified reading, with the classic one behind --classic.
has_verified() {
  "$1" serial --help 2>/dev/null | grep -q -- '--classic'
}

# The command line of each run, by name: the classic serial reading (plain
# `serial` before --classic existed), the verified one, ocr and barcode.
run_of() {
  local tool=$1 name=$2
  case $name in
    serial-classic) if has_verified "$tool"; then echo "serial --json --classic"; else echo "serial --json"; fi ;;
    serial-verified) if has_verified "$tool"; then echo "serial --json"; fi ;;
    ocr) echo "ocr --json" ;;
    barcode) echo "barcode --json" ;;
  esac
}
names=(serial-classic serial-verified ocr barcode)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
for side in base work; do
  tool=$top/$side/cli/verevizu
  [[ $side == base ]] && tool=$top/base-$commit/cli/verevizu
  for name in "${names[@]}"; do
    run=$(run_of "$tool" "$name")
    [[ -n $run ]] || continue
    # Exit codes 1 (nothing found) and 3 (a file failed) are readings too:
    # the JSON lines hold them.
    # shellcheck disable=SC2086  # the options are words on purpose
    nice "$tool" $run --jobs "$jobs" "${files[@]}" >"$out/$side.$name.raw" 2>/dev/null || true
    # The time is the member after the file name; nothing else is touched.
    sed -E 's/^(\{"file":"([^"\\]|\\.)*"),"ms":[0-9]+/\1/' "$out/$side.$name.raw" >"$out/$side.$name"
  done
done
for name in "${names[@]}"; do
  if [[ ! -f $out/base.$name ]]; then
    echo "$name: not in $revision"
    continue
  fi
  lines=$(wc -l <"$out/work.$name")
  if cmp -s "$out/base.$name" "$out/work.$name"; then
    echo "$name: identical ($lines lines)"
  else
    echo "$name: DIFFERENT"
    # diff exits 1 on a difference (and head may close the pipe early): neither ends the script.
    { diff "$out/base.$name" "$out/work.$name" || true; } | head -20
    [[ -n ${KEEP:-} ]] && mkdir -p "$KEEP" && cp "$out/base.$name" "$out/work.$name" "$KEEP/"
    status=1
  fi
done
exit $status
