#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build, the AddressSanitizer
# + UndefinedBehaviorSanitizer build, the ThreadSanitizer build (concurrency
# tests only, selected by the test preset's label filter), then a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in default asan tsan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset tests"
  ctest --preset "$preset"
done

echo "== installed package: the example companion application"
scripts/example.sh

echo "== fuzz"
scripts/fuzz.sh
