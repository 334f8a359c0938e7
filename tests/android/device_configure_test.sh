#!/usr/bin/env bash
# Configures the project as an app's NDK build would (ANDROID, ANDROID_ABI and
# ANDROID_PLATFORM set by the toolchain) and checks that the configure
# succeeds, says where the shim is built, and offers the library's targets
# alone: no host stand-in, tool, test or benchmark.
#   device_configure_test.sh SOURCE_DIR WORK_DIR LIBCXX_RUNTIME
# Both as the top-level project and added to an application's own project
# with add_subdirectory, as an app's externalNativeBuild does.
#   device_configure_test.sh SOURCE_DIR WORK_DIR LIBCXX_RUNTIME
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work/app"
cat >"$work/app/CMakeLists.txt" <<APP
cmake_minimum_required(VERSION 3.22)
project(companion_jni LANGUAGES C CXX)
add_subdirectory("$source_dir" veltra)
APP

for form in top-level app; do
  if [ "$form" = top-level ]; then project="$source_dir"; else project="$work/app"; fi
  build="$work/build-$form"
  if ! cmake -S "$project" -B "$build" -G Ninja \
       -DCMAKE_TOOLCHAIN_FILE="$source_dir/tests/android/ndk-like-toolchain.cmake" \
       -DVELTRA_LIBCXX_RUNTIME="$3" >"$build.log" 2>&1; then
    cat "$build.log"
    echo "FAILED ($form): the device build does not configure"
    exit 1
  fi
  if ! grep -q "libfxshim_Oreo is built in the device tree" "$build.log"; then
    cat "$build.log"
    echo "FAILED ($form): the configure does not say where the shim is built"
    exit 1
  fi
  # The build's own targets, without those CMake adds to every build.
  targets=$(cmake --build "$build" --target help | sed -n 's/^\([A-Za-z0-9_./+-]*\): phony$/\1/p' |
            sed 's|^veltra/||' | grep -v '\.' |
            grep -Ev '^(cmake_object_order_depends_target_.*|edit_cache|rebuild_cache|list_install_components|install|install/local|install/strip|all)$' |
            sort -u)
  echo "targets ($form):" $targets
  # The library and the folders it is made of, nothing else.
  for target in $targets; do
    case "$target" in
      veltraeffectapi | veltra_shared | veltra_vtcommands | veltra_network | veltra_effectapi) ;;
      *) echo "FAILED ($form): a device build offers $target"; exit 1 ;;
    esac
  done
  if ! grep -qx veltraeffectapi <<<"$targets"; then
    echo "FAILED ($form): no veltraeffectapi target"
    exit 1
  fi
done
rm -rf "$work"
echo "device build: configured, library targets only"
