#!/usr/bin/env bash
# Installs a build into a temporary prefix, builds the example companion
# application against the installed package alone (CMake package, then
# pkg-config), and runs it.
#   scripts/example.sh          the build for this machine (preset "default")
#   scripts/example.sh armhf    the 32-bit ARM cross build, run under qemu-arm
#   scripts/example.sh armv7-clang   the same with clang and libc++, as on Android
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-default}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cxx=c++
cmake_args=()
link_flags=()
run=()
if [ "$preset" = armhf ]; then
  runtime="$PWD/build/armhf/armhf-runtime/usr/lib/p7zip"
  cxx=arm-linux-gnueabihf-g++
  cmake_args=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/arm-linux-gnueabihf.cmake"
              -DCMAKE_EXE_LINKER_FLAGS="-Wl,-rpath-link,$runtime")
  link_flags=(-Wno-psabi "-Wl,-rpath-link,$runtime")
  run=(cmake/qemu-arm-run --lib "$runtime")
elif [ "$preset" = armv7-clang ]; then
  # The application is built with the library's own C++ library: the
  # interface passes std::string and std::vector.
  runtime="$PWD/build/armv7-clang/armhf-runtime/usr/lib/p7zip"
  libcxx="$PWD/build/armv7-clang/libcxx-runtime"
  llvm="$libcxx/usr/lib/llvm-14"
  cxx=clang++-14
  cmake_args=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/armv7-clang.cmake" -DVELTRA_LIBCXX_RUNTIME="$libcxx")
  link_flags=(--target=arm-linux-gnueabihf -march=armv7-a -mthumb -mfpu=vfpv3-d16
              -nostdinc++ -isystem "$llvm/include/c++/v1" -fuse-ld=lld -nostdlib++ -L"$llvm/lib"
              -lc++ -lc++abi -Wno-unused-command-line-argument)
  run=(cmake/qemu-arm-run --lib "$llvm/lib" --lib "$runtime")
fi

cmake --install "build/$preset" --prefix "$work/prefix" >/dev/null
echo "installed ($preset) into a temporary prefix:"
(cd "$work/prefix" && find . -type f | sort | sed 's/^/  /')
# The package must be relocatable: no path of this source or build tree in it.
if grep -rIl -e "$PWD" "$work/prefix"; then
  echo "example ($preset): the installed files above name this machine's tree" >&2
  exit 1
fi

# Through the CMake package.
cmake -S examples/companion -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  "${cmake_args[@]}" >/dev/null
cmake --build "$work/build" >/dev/null
"${run[@]}" "$work/build/companion"

# The Java API's JNI library and jar, built against the installed package
# alone, as an app's build would.
if [ "$preset" = default ]; then
  cmake -S java -B "$work/build-java" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
  cmake --build "$work/build-java" >/dev/null
  test -f "$work/build-java/libveltraeffect_jni.so" -a -f "$work/build-java/veltraeffectapi.jar"
  echo "example ($preset): the Java API built against the installed package"
fi

# Through pkg-config: the library's package and the host platform's.
export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
$cxx examples/companion/main.cpp -o "$work/companion-pc" \
  $(pkg-config --cflags --libs veltraeffectapi veltra-host-platform) "${link_flags[@]}"
"${run[@]}" "$work/companion-pc" >/dev/null
echo "example ($preset): built through CMake and through pkg-config, both ran"

# The README's commands, as written, each block in a shell of its own from
# the source tree, with HOME in the temporary folder.
if [ "$preset" = default ]; then
  mkdir "$work/home"
  blocks=$(awk '/^<!-- scripts\/example.sh runs this -->$/ { marked = 1; next }
                marked && /^```sh$/ { inside = 1; next }
                inside && /^```$/ { inside = 0; marked = 0; printf "%c", 30; next }
                inside { print }' README.md)
  count=0
  while IFS= read -r -d $'\x1e' block; do
    count=$((count + 1))
    echo "README block $count:"
    printf '%s\n' "$block" | sed '/^$/d; s/^/  $ /'
    (HOME="$work/home" PKG_CONFIG_PATH='' bash -euo pipefail -c "$block")
  done <<< "$blocks"
  if [ "$count" -lt 3 ]; then
    echo "example: README has $count blocks marked for scripts/example.sh, expected 3" >&2
    exit 1
  fi
  echo "example ($preset): the README's $count command blocks ran as written"
fi
