#!/usr/bin/env bash
# Guards the binary interface of the two libraries: compares the ABI of a
# build (its exported functions and variables, and every type they reach:
# classes, virtual slots, signatures) with the baseline recorded in abi/.
#   scripts/abi-check.sh PRESET             compare; fails with abidiff's report
#   scripts/abi-check.sh PRESET --update    record this build's ABI as the baseline
# PRESET is "default" (x86-64, libstdc++), "armhf" (32-bit ARM, libstdc++) or
# "armv7-clang" (32-bit ARM, clang and libc++: the interface a device build
# has, since the signatures carry the C++ library's types). The build must exist.
# After a deliberate change of the interface, update the baseline of both
# architectures and commit abi/ with the change.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:?usage: scripts/abi-check.sh PRESET [--update]}
mode=${2:-check}
case "$preset" in
  default) arch=x86_64 ;;
  armhf) arch=armhf ;;
  armv7-clang) arch=armv7-clang ;;
  *) echo "abi-check: no baseline for preset $preset" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "abi/$arch"
status=0
for lib in libveltraeffectapi libfxshim_Oreo; do
  abidw --no-corpus-path --no-comp-dir-path --no-show-locs --exported-interfaces-only \
    "build/$preset/$lib.so" >"$work/$lib.abi"
  baseline="abi/$arch/$lib.abi.xz"
  if [ "$mode" = --update ]; then
    xz -9 -c "$work/$lib.abi" >"$baseline"
    echo "abi-check: recorded $baseline"
    continue
  fi
  xz -dc "$baseline" >"$work/$lib.baseline.abi"
  if abidiff "$work/$lib.baseline.abi" "$work/$lib.abi" >"$work/$lib.report"; then
    echo "abi-check: $lib ($arch) matches its baseline"
  else
    echo "abi-check: $lib ($arch) differs from $baseline:"
    cat "$work/$lib.report"
    status=1
  fi
done
exit $status
