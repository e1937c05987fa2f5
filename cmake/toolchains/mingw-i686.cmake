# Cross-build for 32-bit Windows (what users install: HAMLOG's libraries are 32-bit).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
