# Googletest from Debian's source package, built once per target.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "Googletest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(MINGW)
  # The MinGW runtime here uses the win32 thread model; googletest then uses
  # Win32 primitives of its own.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
