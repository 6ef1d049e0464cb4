# tavrin_help_content(<var>): adds to the current directory the build step
# that turns the help page's pieces and pictures (res/help/) into a C++
# source, and sets <var> to that source, with the program's version, which
# the page records. The program writes exactly these bytes.
# Each language's pieces and pictures lie in res/help/<code>/; English in
# res/help/.
file(GLOB_RECURSE TAVRIN_HELP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/help/*.html
     ${PROJECT_SOURCE_DIR}/res/help/*.gif)

function(tavrin_help_content var)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/help_content.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${out} -DVERSION=${TAVRIN_BUILD_VERSION} -DHELP_DIR=${PROJECT_SOURCE_DIR}/res/help
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_help.cmake
    DEPENDS ${TAVRIN_HELP_FILES} ${PROJECT_SOURCE_DIR}/cmake/embed_help.cmake
            ${PROJECT_SOURCE_DIR}/cmake/help_languages.cmake
    COMMENT "Carrying the help page and its pictures in the program"
    VERBATIM)
  set(${var} ${out} PARENT_SCOPE)
endfunction()
