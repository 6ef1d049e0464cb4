# Googletest from Debian's source package, built once per target.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "Googletest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(MINGW)
  # On Windows googletest uses Win32 threads of its own, not pthreads.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
