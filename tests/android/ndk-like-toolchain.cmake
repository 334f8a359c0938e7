# Stands in for the NDK's toolchain file, which no machine here has: the same
# clang and libc++ as the armv7-clang build, and the variables the NDK's file
# sets, which the project reads to make a device build.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/armv7-clang.cmake)
set(ANDROID TRUE)
set(ANDROID_ABI armeabi-v7a)
set(ANDROID_PLATFORM android-26)
set(ANDROID_NATIVE_API_LEVEL 26)
# The NDK's sysroot holds liblog and <android/log.h>; Debian's packages stand in.
list(APPEND CMAKE_LIBRARY_PATH /usr/lib/arm-linux-gnueabihf/android)
list(APPEND CMAKE_INCLUDE_PATH /usr/include/android)
