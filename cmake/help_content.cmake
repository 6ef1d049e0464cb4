# tavrin_help_content(<var>): adds to the current directory the build step
# that turns the help page's pieces (res/help/) and its two pictures
# (res/current.gif, res/menu.gif) into a C++ source, and sets <var> to that
# source, with the program's version, which the page records. The program
# writes exactly these bytes.
# Each language's pieces lie in res/help/<code>/; English in res/help/.
file(GLOB_RECURSE TAVRIN_HELP_PIECES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/help/*.html)
set(TAVRIN_HELP_PICTURES ${PROJECT_SOURCE_DIR}/res/current.gif ${PROJECT_SOURCE_DIR}/res/menu.gif)

function(tavrin_help_content var)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/help_content.cpp)
  list(GET TAVRIN_HELP_PICTURES 0 current)
  list(GET TAVRIN_HELP_PICTURES 1 menu)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${out} -DVERSION=${TAVRIN_BUILD_VERSION} -DHELP_DIR=${PROJECT_SOURCE_DIR}/res/help
            -DCURRENT_GIF=${current} -DMENU_GIF=${menu} -P ${PROJECT_SOURCE_DIR}/cmake/embed_help.cmake
    DEPENDS ${TAVRIN_HELP_PIECES} ${TAVRIN_HELP_PICTURES} ${PROJECT_SOURCE_DIR}/cmake/embed_help.cmake
            ${PROJECT_SOURCE_DIR}/cmake/help_languages.cmake
    COMMENT "Carrying the help page and its pictures in the program"
    VERBATIM)
  set(${var} ${out} PARENT_SCOPE)
endfunction()
