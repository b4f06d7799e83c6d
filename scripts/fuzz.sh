#!/usr/bin/env bash
# scripts/fuzz.sh [SECONDS [TARGET...]]
# Builds the libFuzzer targets (fuzz/, in build-fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each (or each TARGET given, e.g. images) for SECONDS
# (default 180) on its corpus, one after another on one core, then says how many inputs
# each executed, the coverage it reached (libFuzzer's cov and ft) and whether it found a
# fault. New inputs go to
# build-fuzz/corpus/<target>; a failing input is kept as build-fuzz/artifacts/<target>-*.
# Exits 1 when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-180}
targets=(cli_options dialogs commands images searches)
[ $# -gt 1 ] && targets=("${@:2}")

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_FUZZ=ON >/dev/null || exit 1
fi
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null || {
  echo "fuzz: the targets do not build (cmake --build build-fuzz shows why)"; exit 1; }

mkdir -p build-fuzz/artifacts
failed=0 total=0
printf '%-12s %10s %8s %8s  %s\n' target inputs cov ft result
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "fuzz/corpus/$t"
  dict=(); [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="$root/fuzz/dict/$t.dict")
  # One job in a process of its own, which writes its output to fuzz-0.log in its folder.
  mkdir -p "build-fuzz/logs/$t"
  log="build-fuzz/logs/$t/fuzz-0.log"
  rm -f "$log"
  (cd "build-fuzz/logs/$t" &&
   ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "$root/build-fuzz/fuzz/fuzz_$t" -jobs=1 -max_total_time="$seconds" -timeout=60 \
     -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" \
     -artifact_prefix="$root/build-fuzz/artifacts/$t-" \
     "$root/build-fuzz/corpus/$t" "$root/fuzz/corpus/$t" >/dev/null 2>&1)
  # The job's own exit status is not passed on: a failure shows as a kept input.
  status=0
  grep -qE '^(==[0-9]+== ?ERROR|SUMMARY: |fuzz: |.*runtime error)' "$log" && status=1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  result=ok
  if [ $status -ne 0 ]; then
    result="FAULT (see $log)"
    failed=1
  fi
  total=$((total + ${runs:-0}))
  printf '%-12s %10s %8s %8s  %s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
echo "fuzz: $total inputs in total"
exit $failed
