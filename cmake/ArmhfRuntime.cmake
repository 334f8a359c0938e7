# What a 32-bit ARM build needs beyond the multiarch packages: the armhf
# libbacktrace (pulled in by libutils) needs 7z.so from p7zip-full:armhf, a
# package that cannot be installed beside the build machine's own. It is
# unpacked into a folder of this build instead, linked through -rpath-link and
# put on the emulated programs' library path.
set(VELTRA_ARMHF_RUNTIME ${PROJECT_BINARY_DIR}/armhf-runtime)
set(VELTRA_ARMHF_P7ZIP ${VELTRA_ARMHF_RUNTIME}/usr/lib/p7zip)
if(NOT EXISTS ${VELTRA_ARMHF_P7ZIP}/7z.so)
  file(MAKE_DIRECTORY ${VELTRA_ARMHF_RUNTIME}/download)
  execute_process(COMMAND apt-get download p7zip-full:armhf
                  WORKING_DIRECTORY ${VELTRA_ARMHF_RUNTIME}/download
                  RESULT_VARIABLE _rc OUTPUT_QUIET)
  file(GLOB _debs ${VELTRA_ARMHF_RUNTIME}/download/p7zip-full_*_armhf.deb)
  if(NOT _rc EQUAL 0 OR NOT _debs)
    message(FATAL_ERROR "could not download p7zip-full:armhf (run scripts/setup.sh --armhf first)")
  endif()
  list(GET _debs 0 _deb)
  execute_process(COMMAND dpkg -x ${_deb} ${VELTRA_ARMHF_RUNTIME} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0 OR NOT EXISTS ${VELTRA_ARMHF_P7ZIP}/7z.so)
    message(FATAL_ERROR "could not unpack ${_deb}")
  endif()
endif()
add_link_options(-Wl,-rpath-link,${VELTRA_ARMHF_P7ZIP})
# The toolchain may name further folders of the target's own libraries
# (VELTRA_TARGET_LIB_DIRS: the clang build's libc++).
set(_emulator_libs)
foreach(_dir IN LISTS VELTRA_TARGET_LIB_DIRS ITEMS ${VELTRA_ARMHF_P7ZIP})
  list(APPEND _emulator_libs --lib ${_dir})
endforeach()
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/qemu-arm-run ${_emulator_libs})
