#!/usr/bin/env bash
# Installs the default build into a temporary prefix, builds the example
# companion application against the installed package alone (CMake package,
# then pkg-config), and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install build/default --prefix "$work/prefix" >/dev/null
echo "installed into a temporary prefix:"
(cd "$work/prefix" && find . -type f | sort | sed 's/^/  /')

# Through the CMake package.
cmake -S examples/companion -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/companion"

# Through pkg-config (the host platform's controls by hand).
export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
c++ examples/companion/main.cpp -o "$work/companion-pc" $(pkg-config --cflags --libs veltraeffectapi) \
  -I"$work/prefix/include/veltra/host-platform" -L"$work/prefix/lib" -lsystem_properties
"$work/companion-pc" >/dev/null
echo "example: built through CMake and through pkg-config, both ran"
