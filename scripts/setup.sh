#!/usr/bin/env bash
# Installs every package that the build, the tests and the tools need, for
# this machine and for the 32-bit ARM cross build (Debian's armhf multiarch
# packages, the cross compiler and the qemu-arm emulator that runs its tests).
# Idempotent; meant for a fresh Debian machine, run as root (or through sudo).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libspdlog-dev
  android-liblog-dev android-libutils-dev
  clang-format binutils pkg-config abigail-tools xz-utils
  # the clang + libc++ build for 32-bit ARM (its libc++ is unpacked by the build)
  clang-14 lld-14 lld
  # Android.bp: Blueprint's parser and formatter, Soong's property definitions
  blueprint-tools golang-android-soong-dev
  # the peer of the tuning server's benchmark (bench/RedisComparison.cpp)
  redis-server
  # where the benchmarks' time goes: system calls per operation (strace -c),
  # software counters and context switches (perf stat), instruction counts
  # where the machine has no hardware counters (valgrind --tool=callgrind)
  strace linux-perf valgrind
  # the tuning server's test of a peer that is not on loopback runs in a
  # network namespace of its own (unshare, ip)
  util-linux iproute2
  # veltra-tune panel (HTTP server, JSON) and its test in headless Chromium
  libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver python3-selenium
  fonts-dejavu-core
  # veltra-tune's interactive mode: line editing and history (BSD licence)
  libedit-dev
  # the Java API: its jar, JNI headers and JUnit 4 tests; the guide's Kotlin
  default-jdk-headless junit4 kotlin
  # 32-bit ARM: cross compiler, emulator, the target's libraries
  g++-arm-linux-gnueabihf qemu-user
  android-liblog-dev:armhf android-libutils-dev:armhf
  libgtest-dev:armhf libgmock-dev:armhf libbenchmark-dev:armhf libspdlog-dev:armhf
  libcpp-httplib-dev:armhf
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx armhf; then
  echo "setup: adding the armhf architecture"
  $SUDO dpkg --add-architecture armhf
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index file or another; try again, and
# when one index still fails go on with the lists that did arrive (the
# install below fails clearly if a package is then missing).
for attempt in 1 2 3; do
  if $SUDO apt-get update -qq; then break; fi
  echo "setup: apt-get update failed (attempt $attempt of 3)"
  if [ "$attempt" -lt 3 ]; then sleep 10; fi
done
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
