# The help page writer in scratch folders, with the opener replaced by a
# recording stand-in; and the real opener on its own.
include(${PROJECT_SOURCE_DIR}/cmake/help_content.cmake)
tavrin_help_content(HELP_CONTENT_FOR_TEST)

add_wine_test(help_page_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/help_page_test.cpp
    ${PROJECT_SOURCE_DIR}/app/help_page.cpp
    ${PROJECT_SOURCE_DIR}/app/ui_language.cpp
    ${HELP_CONTENT_FOR_TEST}
  LIBS gtest_main)
target_include_directories(help_page_test PRIVATE ${PROJECT_SOURCE_DIR}/app)
target_compile_definitions(help_page_test PRIVATE TAVRIN_RES_DIR="${PROJECT_SOURCE_DIR}/res")

add_wine_test(help_opener_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/help_opener_test.cpp
    ${PROJECT_SOURCE_DIR}/app/help_opener.cpp
  LIBS gtest_main)
target_include_directories(help_opener_test PRIVATE ${PROJECT_SOURCE_DIR}/app)
