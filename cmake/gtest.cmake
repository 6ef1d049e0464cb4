# Googletest from Debian's source package, built once per target.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "Googletest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(MINGW)
  # On Windows googletest uses Win32 threads of its own, not pthreads.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# test_code(TARGET...): a test program's files, googletest's too, compiled
# for a quick build: -O1 with line tables only (a file of app/ that a test
# program compiles itself with them). The libraries under test and
# Tavrin.exe keep the build's flags; a Debug build keeps its own.
function(test_code)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:-O1;-g1>")
  endforeach()
endfunction()
test_code(gtest gtest_main)
