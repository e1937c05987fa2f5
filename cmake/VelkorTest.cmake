# velkor_add_qtest(<name> LABEL unit|gui SOURCES ... [LIBS ...])
# One QtTest executable, registered with ctest under its label. Every test runs offscreen with a
# UTF-8 locale so that widget tests need no display and file names with Japanese text behave alike.
# Built for Windows, the tests run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) with the native
# platform plugin on a virtual display, and the locale stays the one that gives Wine its code page.
function(velkor_add_qtest name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE velkor_test_support Qt::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE VELKOR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  set(_environment "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8")
  if(WIN32)
    set(_environment "QT_QPA_PLATFORM=windows")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS ${ARG_LABEL}
    TIMEOUT 300
    ENVIRONMENT "${_environment}")
endfunction()
