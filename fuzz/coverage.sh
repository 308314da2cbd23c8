#!/usr/bin/env bash
# Measures how much of the core a fuzz corpus reaches. Builds the fuzz targets with clang's
# source-based coverage (no sanitizers) into build-fuzz-cov/, runs each target once over every
# input of its corpus, and prints the share of src/core's lines, functions and regions reached,
# per target and for the three together.
#
# Usage: fuzz/coverage.sh [CORPUS_ROOT] [TARGET...]
#   CORPUS_ROOT  a folder holding one folder per target, as fuzz/run.sh leaves in
#                build-fuzz/corpus (the default); a target with no folder there is measured on
#                its committed seeds
# Environment: FUZZ_CXX (default clang++-14), LLVM_SUFFIX (default -14), FUZZ_COV_DIR (the build
#              directory, default build-fuzz-cov), FUZZ_COV_DETAIL=1 (a line per source file too)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
corpora="${1:-$root/build-fuzz/corpus}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(fuzz_arrivals fuzz_config fuzz_sentences); fi
cxx="${FUZZ_CXX:-clang++-14}"
suffix="${LLVM_SUFFIX:--14}"
build="${FUZZ_COV_DIR:-$root/build-fuzz-cov}"
for tool in "$cxx" "llvm-profdata$suffix" "llvm-cov$suffix"; do
  command -v "$tool" >/dev/null || { echo "coverage.sh: $tool not found" >&2; exit 2; }
done

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE= \
  -DDX_FUZZ_COVERAGE=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

profiles="$build/profiles"
rm -rf "$profiles"
mkdir -p "$profiles"
objects=()
for t in "${targets[@]}"; do
  corpus="$corpora/$t"
  [ -d "$corpus" ] || corpus="$here/corpus/$t"
  count=$(find "$corpus" -type f | wc -l)
  # Every input whole: libFuzzer would otherwise cut inputs longer than its default length.
  longest=$(find "$corpus" -type f -printf '%s\n' | sort -n | tail -1)
  echo "== $t: $count inputs from $corpus"
  LLVM_PROFILE_FILE="$profiles/$t.profraw" "$build/fuzz/$t" -runs=0 -max_len="${longest:-4096}" \
    -timeout=120 -rss_limit_mb=4096 "$corpus" >"$profiles/$t.log" 2>&1 ||
    { tail -20 "$profiles/$t.log"; echo "coverage.sh: $t failed on its corpus" >&2; exit 1; }
  "llvm-profdata$suffix" merge -sparse "$profiles/$t.profraw" -o "$profiles/$t.profdata"
  "llvm-cov$suffix" report "$build/fuzz/$t" -instr-profile="$profiles/$t.profdata" "$root/src/core" |
    awk -v t="$t" '/^TOTAL/ {printf "%s: regions %s, functions %s, lines %s of src/core\n", t, $4, $7, $10}'
  objects+=(-object "$build/fuzz/$t")
done

if [ ${#targets[@]} -gt 1 ]; then
  "llvm-profdata$suffix" merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
  report=("llvm-cov$suffix" report "${objects[@]:1}" -instr-profile="$profiles/all.profdata" "$root/src/core")
  "${report[@]}" | awk '/^TOTAL/ {printf "all targets: regions %s, functions %s, lines %s of src/core\n", $4, $7, $10}'
  if [ "${FUZZ_COV_DETAIL:-0}" = 1 ]; then "${report[@]}"; fi
fi
