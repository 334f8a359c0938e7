#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a share
# of FUZZ_SECONDS (default 60 in all), starting from the seed corpus in
# fuzz/corpus/<target>/. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

total=${FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mapfile -t fuzzers < <(find build/fuzz/fuzz -maxdepth 1 -type f -name '*_fuzzer' -perm -u+x | sort)
if [ "${#fuzzers[@]}" -eq 0 ]; then
  echo "fuzz: no fuzz targets"
  exit 0
fi
share=$(( total / ${#fuzzers[@]} ))
[ "$share" -ge 1 ] || share=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  mkdir -p "$work/$name"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/$name/"; fi
  echo "fuzz: $name for ${share}s"
  "$fuzzer" -max_total_time="$share" -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/$name" 2>"$work/$name.log" || { tail -50 "$work/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work/$name.log" | sed "s/^/fuzz: $name /"
done
echo "fuzz: all targets clean"
