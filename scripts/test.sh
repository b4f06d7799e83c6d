#!/usr/bin/env bash
# Builds everything (release and sanitizer trees) and runs every test in both, then builds
# the fuzz targets and runs each briefly on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --sanitize
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
echo "== tests (release) =="
ctest --test-dir build --output-on-failure -j "$jobs"
echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
echo "== fuzz targets, 20 s each =="
bash scripts/fuzz.sh 20
