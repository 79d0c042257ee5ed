#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into ./build-fuzz and runs
# each one for SECONDS (default 60), starting from its seeds (fuzz/corpus/<t>)
# and every input found before (fuzz/crashes/<t>). Inputs the fuzzer adds go
# to build-fuzz/corpus/<t>; a crash, leak, time-out or memory blow-up is
# copied to fuzz/crashes/<t>/ (the corpus replay test replays it from then
# on). One verdict line per target: name, runs, seconds, clean or CRASH <file>.
#   FUZZ_TARGETS="edid inifile"  run only these targets
#   FUZZ_JOBS=2                  targets run side by side (default 1)
#   scripts/fuzz.sh --seeds      rewrite fuzz/corpus with the project's writers
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--seeds" ]; then
  bash scripts/build.sh >/dev/null
  ./build/fuzz/fuzz_seeds fuzz/corpus
  mkdir -p fuzz/corpus/edid && cp testdata/edid/*.bin fuzz/corpus/edid/
  exit
fi
seconds=${1:-60}
jobs=${FUZZ_JOBS:-1}

bash scripts/deps.sh --fuzz
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMATRIX_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers

targets=${FUZZ_TARGETS:-$(cd fuzz/corpus && ls)}
mkdir -p build-fuzz/logs

run_one() {
  local t=$1
  local work=build-fuzz/corpus/$t artifacts=build-fuzz/artifacts/$t/
  local log=build-fuzz/logs/$t.log
  mkdir -p "$work" "$artifacts" "fuzz/crashes/$t"
  rm -f "$artifacts"/*
  local start end status=0
  start=$(date +%s)
  ASAN_OPTIONS=detect_leaks=1:malloc_context_size=8:quarantine_size_mb=64 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    nice -n 10 "build-fuzz/fuzz/fuzz_$t" "$work" "fuzz/corpus/$t" "fuzz/crashes/$t" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$log" 2>&1 || status=$?
  end=$(date +%s)
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#')
  local found
  found=$(ls "$artifacts" 2>/dev/null | head -1 || true)
  if [ -n "$found" ]; then
    cp "$artifacts/$found" "fuzz/crashes/$t/"
    echo "$t runs=${runs:-0} seconds=$((end - start)) CRASH fuzz/crashes/$t/$found"
  elif [ $status -ne 0 ]; then
    echo "$t runs=${runs:-0} seconds=$((end - start)) CRASH (exit $status, see $log)"
  else
    echo "$t runs=${runs:-0} seconds=$((end - start)) clean"
  fi
}

running=0
for t in $targets; do
  if [ ! -x "build-fuzz/fuzz/fuzz_$t" ]; then
    echo "$t: no fuzzer build-fuzz/fuzz/fuzz_$t" >&2
    exit 1
  fi
  run_one "$t" | tee -a build-fuzz/logs/verdicts.txt &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
