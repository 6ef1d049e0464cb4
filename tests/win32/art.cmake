# The icons and splash bitmap drawn by tools/make-art.sh, read by the
# system's own image loader.
add_wine_test(art_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/art_test.cpp
  LIBS gtest_main gdi32 user32)
target_compile_definitions(art_test PRIVATE TAVRIN_RES_DIR="${PROJECT_SOURCE_DIR}/res")
