# Cross build for 32-bit ARM (hard-float) with Debian's cross compiler and the
# multiarch ":armhf" packages (android-liblog-dev:armhf, libgtest-dev:armhf...).
#   cmake -S . -B build/armhf -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
# Programs built here run on this machine through cmake/qemu-arm-run, which
# CTest and the tests that start other programs put in front of them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# The multiarch packages install below / (their headers in /usr/include, their
# libraries in /usr/lib/arm-linux-gnueabihf); the cross C library lives below
# /usr/arm-linux-gnueabihf. Search both for target files, never the build
# machine's own libraries.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_LIBRARY_PATH /usr/lib/arm-linux-gnueabihf)

# GCC notes that the parameter-passing ABI of some types changed in GCC 7 on
# ARM; nothing here crosses that line with objects built by older compilers.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
set(CMAKE_C_FLAGS_INIT "-Wno-psabi")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/qemu-arm-run)
