#!/usr/bin/env bash
# Builds the core's fuzz targets with clang and libFuzzer into build-fuzz/, replays the saved
# regression inputs, then fuzzes each target for SECONDS (default 120) on a fresh copy of its seed
# corpus. Exits non-zero on any crash, leak, timeout, out-of-memory, sanitizer report or broken
# invariant; prints each target's final stats line.
#
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
#   SECONDS  how long to fuzz each target (0: only build and replay seeds and regressions)
#   TARGET   fuzz_arrivals, fuzz_config, fuzz_sentences (default: all three)
# Environment:
#   FUZZ_CXX        the compiler (default clang++-14)
#   FUZZ_BUILD_DIR  the build directory (default build-fuzz in the source tree)
#   FUZZ_ARGS       more libFuzzer options for every run (for instance "-jobs=2 -workers=2")
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
seconds="${1:-120}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(fuzz_arrivals fuzz_config fuzz_sentences); fi
cxx="${FUZZ_CXX:-clang++-14}"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
extra=(${FUZZ_ARGS:-})

if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "run.sh: SECONDS must be a whole number, not '$seconds'" >&2
  exit 2
fi
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "run.sh: $cxx not found (install clang-14 and libclang-rt-14-dev, or set FUZZ_CXX)" >&2
  exit 2
fi

# ---- build ----------------------------------------------------------------------------------
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ -f "$build/CMakeCache.txt" ] && ! grep -q "^CMAKE_HOME_DIRECTORY:INTERNAL=$here\$" "$build/CMakeCache.txt"; then
  echo "run.sh: $build was configured from another source directory; remove it first" >&2
  exit 2
fi
echo "== building the fuzz targets with $cxx in $build"
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE= >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; echo "run.sh: configure failed" >&2; exit 2; }
rm -f "$build.configure.log"
cmake --build "$build" --target "${targets[@]}" -j "$(nproc 2>/dev/null || echo 2)" ||
  { echo "run.sh: build failed" >&2; exit 2; }

# libFuzzer stops at the first crash, leak, timeout or out-of-memory with a non-zero status;
# the sanitizers are built not to recover, and a broken invariant traps. The log is searched as
# well, so that nothing that reports and carries on goes unseen.
failure_pattern='ERROR: AddressSanitizer|ERROR: LeakSanitizer|ERROR: libFuzzer|runtime error:|invariant broken|SUMMARY: |Test unit written to'

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

dict_for() {
  case "$1" in
    fuzz_config) echo "$here/dict/config.dict" ;;
    *) echo "$here/dict/node.dict" ;;
  esac
}

status=0
summary=()
for t in "${targets[@]}"; do
  bin="$build/fuzz/$t"
  logdir="$build/logs"
  artifacts="$build/artifacts/$t/"
  corpus="$build/corpus/$t"
  mkdir -p "$logdir" "$artifacts"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  # A copy of the committed seeds: the fuzzer adds to its corpus, never to the source tree's.
  if [ -d "$here/corpus/$t" ]; then cp -R "$here/corpus/$t/." "$corpus/"; fi
  dict=(); [ -f "$(dict_for "$t")" ] && dict=(-dict="$(dict_for "$t")")

  # Every saved regression input, and every seed, must pass as it is.
  replay=()
  if [ -d "$here/regressions/$t" ]; then
    while IFS= read -r -d '' f; do replay+=("$f"); done < <(find "$here/regressions/$t" -type f ! -name '*.md' -print0 | sort -z)
  fi
  while IFS= read -r -d '' f; do replay+=("$f"); done < <(find "$here/corpus/$t" -type f -print0 2>/dev/null | sort -z)
  if [ ${#replay[@]} -gt 0 ]; then
    echo "== $t: replaying ${#replay[@]} saved inputs"
    replay_failed=0
    for f in "${replay[@]}"; do
      if ! "$bin" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts" "$f" >"$logdir/$t.replay.log" 2>&1 ||
         grep -Eq "$failure_pattern" "$logdir/$t.replay.log"; then
        echo "!! $t fails on ${f#$root/}:"
        grep -E "$failure_pattern|^    at |#[0-9]+ 0x.* in dx::" "$logdir/$t.replay.log" | head -20
        status=1
        replay_failed=1
        summary+=("$t: FAILED on saved input ${f#$root/}")
      fi
    done
    [ $replay_failed -eq 0 ] && summary+=("$t: ${#replay[@]} saved inputs pass")
  fi

  if [ "$seconds" -gt 0 ]; then
    echo "== $t: fuzzing for $seconds s"
    log="$logdir/$t.log"
    "$bin" "$corpus" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" -print_final_stats=1 "${extra[@]}" >"$log" 2>&1
    rc=$?
    final="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
    [ -n "$final" ] || final="$(grep -E '^#[0-9]+[[:space:]]+(pulse|NEW|REDUCE|INITED)' "$log" | tail -1)"
    execs="$(grep -E '^stat::number_of_executed_units:' "$log" | tail -1 | awk '{print $2}')"
    echo "$t: $final (executions: ${execs:-?})"
    if [ $rc -ne 0 ] || grep -Eq "$failure_pattern" "$log"; then
      echo "!! $t: fuzzing found a failure (exit status $rc); log: $log"
      grep -E "$failure_pattern|^    at |#[0-9]+ 0x.* in (dx::|LLVMFuzzerTestOneInput)" "$log" | head -30
      status=1
      summary+=("$t: FAILED while fuzzing (artifacts in $artifacts)")
    else
      summary+=("$t: ok  $final")
    fi
  fi
done

echo "== summary"
for line in "${summary[@]}"; do echo "$line"; done
exit $status
