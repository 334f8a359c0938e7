# Cross build for 32-bit ARM the way Android builds: clang 14 with LLVM's
# libc++ and libc++abi, linked by lld, for ARMv7-A in Thumb-2 with VFPv3-D16.
#   cmake -S . -B build/armv7-clang -DCMAKE_TOOLCHAIN_FILE=cmake/armv7-clang.cmake
# The C library is still Debian's glibc for armhf (hard-float calling
# convention); only a device build has bionic and softfp. Programs built here
# run on this machine through cmake/qemu-arm-run.
#
# Debian's libc++-dev:armhf cannot be installed beside the build machine's own
# (both own /usr/lib/llvm-14/lib), so the target's libc++, libc++abi and
# libunwind are downloaded and unpacked into a folder of this build tree,
# compiled against with -nostdinc++ and linked with -nostdlib++. The folder is
# handed to CMake's own compiler checks too.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET arm-linux-gnueabihf)
set(CMAKE_CXX_COMPILER_TARGET arm-linux-gnueabihf)

if(NOT VELTRA_LIBCXX_RUNTIME)
  set(VELTRA_LIBCXX_RUNTIME ${CMAKE_BINARY_DIR}/libcxx-runtime)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELTRA_LIBCXX_RUNTIME)
set(_llvm ${VELTRA_LIBCXX_RUNTIME}/usr/lib/llvm-14)
set(VELTRA_LIBCXX_LIB_DIR ${_llvm}/lib)

if(NOT EXISTS ${_llvm}/lib/libc++.so.1 OR NOT EXISTS ${_llvm}/include/c++/v1/__config_site)
  set(_packages libc++1-14:armhf libc++abi1-14:armhf libunwind-14:armhf
                libc++-14-dev:armhf libc++abi-14-dev:armhf libunwind-14-dev:armhf)
  file(MAKE_DIRECTORY ${VELTRA_LIBCXX_RUNTIME}/download)
  execute_process(COMMAND apt-get download ${_packages}
                  WORKING_DIRECTORY ${VELTRA_LIBCXX_RUNTIME}/download
                  RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
  file(GLOB _debs ${VELTRA_LIBCXX_RUNTIME}/download/*_armhf.deb)
  list(LENGTH _debs _count)
  if(NOT _rc EQUAL 0 OR _count LESS 6)
    message(FATAL_ERROR "could not download ${_packages} (run scripts/setup.sh first)")
  endif()
  foreach(_deb IN LISTS _debs)
    execute_process(COMMAND dpkg -x ${_deb} ${VELTRA_LIBCXX_RUNTIME} RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "could not unpack ${_deb}")
    endif()
  endforeach()
endif()

set(_arch_flags "-march=armv7-a -mthumb -mfpu=vfpv3-d16")
set(CMAKE_C_FLAGS_INIT "${_arch_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_arch_flags} -nostdinc++ -isystem ${_llvm}/include/c++/v1")
# The compile flags reach the link steps too, where clang calls the header
# options unused: that one warning is silenced at link time only.
foreach(_kind EXE SHARED MODULE)
  set(CMAKE_${_kind}_LINKER_FLAGS_INIT
      "-fuse-ld=lld -nostdlib++ -L${_llvm}/lib -Wno-unused-command-line-argument")
endforeach()
set(CMAKE_CXX_STANDARD_LIBRARIES "-lc++ -lc++abi")

# The multiarch packages install below / (their headers in /usr/include, their
# libraries in /usr/lib/arm-linux-gnueabihf); the C library's development
# files live below /usr/arm-linux-gnueabihf as well. Search both for target
# files, never the build machine's own libraries.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_LIBRARY_PATH /usr/lib/arm-linux-gnueabihf)

# GoogleTest (and Google Benchmark) of the multiarch packages are libstdc++
# builds: this build compiles GoogleTest from Debian's sources instead and
# leaves the benchmarks out.
set(VELTRA_GTEST_FROM_SOURCE ON)
set(VELTRA_BUILD_BENCHMARKS OFF)

# The emulator finds the target's libc++ beside the folders cmake/ArmhfRuntime.cmake adds.
set(VELTRA_TARGET_LIB_DIRS ${VELTRA_LIBCXX_LIB_DIR})
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/qemu-arm-run --lib ${VELTRA_LIBCXX_LIB_DIR})
