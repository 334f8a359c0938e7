#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build, the AddressSanitizer
# + UndefinedBehaviorSanitizer build, the ThreadSanitizer build (concurrency
# tests only, selected by the test preset's label filter), the 32-bit ARM
# cross build with every test under qemu-arm (it also compiles the libraries'
# Android-only lines), the same with clang, libc++ and lld as Android builds
# (armv7-clang; its Android-only lines compiled for Android's own target), the
# binary interface of each of those builds against its recorded baseline, the
# example application against each installed package, the demonstration with
# the ARM veltra-host, then a bounded fuzz run. Every build also checks
# Android.bp against its own source lists and Blueprint's formatter.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each stage says how long the run has taken so far.
stage() { echo "== [$(( SECONDS / 60 ))m$(( SECONDS % 60 ))s] $*"; }

scripts/setup.sh

for preset in default asan tsan armhf armv7-clang; do
  stage "$preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  stage "$preset tests"
  ctest --preset "$preset"
  if [ "$preset" = default ] || [ "$preset" = armhf ] || [ "$preset" = armv7-clang ]; then
    stage "$preset binary interface against the baseline in abi/"
    scripts/abi-check.sh "$preset"
  fi
done

stage "installed package: the example companion application"
scripts/example.sh
scripts/example.sh armhf
scripts/example.sh armv7-clang

stage "demonstration with the 32-bit ARM veltra-host under qemu-arm"
demo_log=$(mktemp)
if scripts/demo.sh armhf >"$demo_log" 2>&1; then
  tail -1 "$demo_log"
  rm -f "$demo_log"
else
  cat "$demo_log"
  rm -f "$demo_log"
  exit 1
fi

stage "fuzz"
scripts/fuzz.sh
stage "all tests passed"
