# Runs one JUnit 4 test class in a JVM with the JNI checks on, and fails on
# a failed test and on any warning of the checks in the JVM's output.
#   cmake -DJAVA=<java> -DCLASSPATH=<a:b> -DLIBRARY_PATH=<dir:dir> -DTEST_CLASS=<class>
#         [-DPRELOAD=<libasan.so>] -P RunJavaTests.cmake
# With PRELOAD the sanitizer runtime is loaded into the JVM ahead of the JVM's
# own libraries, as an instrumented JNI library needs.
# -DUNAVAILABLE=<reason> stands for the tests where no JDK was found: it fails.
if(DEFINED UNAVAILABLE)
  message(FATAL_ERROR "Java API tests cannot run: ${UNAVAILABLE} (scripts/setup.sh installs "
                      "default-jdk-headless, junit4 and kotlin)")
endif()

if(PRELOAD)
  set(ENV{LD_PRELOAD} "${PRELOAD}")
  # The JVM handles its own faults (SIGSEGV) and keeps memory to the end:
  # the sanitizer leaves both to it.
  set(ENV{ASAN_OPTIONS} "halt_on_error=1:abort_on_error=1:detect_leaks=0:handle_segv=0:allow_user_segv_handler=1")
endif()

execute_process(
  COMMAND ${JAVA} -Xcheck:jni -Djava.library.path=${LIBRARY_PATH} -cp ${CLASSPATH}
          org.junit.runner.JUnitCore ${TEST_CLASS}
  RESULT_VARIABLE _result
  OUTPUT_VARIABLE _output
  ERROR_VARIABLE _output)
message("${_output}")
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${TEST_CLASS}: the JVM exited with ${_result}")
endif()
# -Xcheck:jni reports "WARNING in native method: ..." and "WARNING: JNI local
# refs: ..., exceeds capacity: ..."; its fatal errors end the JVM.
if(_output MATCHES "WARNING|FATAL ERROR|JNI local refs")
  message(FATAL_ERROR "${TEST_CLASS}: the JVM's JNI checks warned (above)")
endif()
if(NOT _output MATCHES "\nOK \\(([0-9]+) tests?\\)")
  message(FATAL_ERROR "${TEST_CLASS}: JUnit reported no successful run")
endif()
message(STATUS "${TEST_CLASS}: ${CMAKE_MATCH_1} tests passed, no JNI warning")
