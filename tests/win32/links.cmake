# The serial and IrDA links under Wine.
#   links_test         the IrDA listener over loopback TCP and the serial
#                      vocabulary: needs nothing but Wine.
#   links_serial_test  the serial link on a real line, and both links sharing
#                      a lock: runs inside tests/bench/serial-bench.sh, which maps a
#                      COM port to a pseudo-terminal and preloads the
#                      modem-line shim built here.
#   link_latency       a measurement: prints the serial link's latency and
#                      idle CPU time next to a bare reader's
#                      (tests/bench/serial-bench.sh); one short run of it, a 64 KiB
#                      burst at line rate that must arrive whole and in order,
#                      is the test link_latency_smoke.

# The shim is a Linux library: built by the host's C compiler, 64-bit and,
# where the compiler can, 32-bit, under the folders the loader's $LIB names.
find_program(HOST_CC NAMES gcc cc REQUIRED)
set(MODEM_SHIM_DIR ${CMAKE_BINARY_DIR}/modem-shim)
set(MODEM_SHIM_SOURCE ${PROJECT_SOURCE_DIR}/tests/bench/modem_shim.c)
set(MODEM_SHIM_TARGETS "x86_64-linux-gnu|-m64")
execute_process(
  COMMAND sh -c "echo 'int main(void) { return 0; }' | '${HOST_CC}' -m32 -x c -o /dev/null -"
  RESULT_VARIABLE HOST_CC_M32 OUTPUT_QUIET ERROR_QUIET)
if(HOST_CC_M32 EQUAL 0)
  list(APPEND MODEM_SHIM_TARGETS "i386-linux-gnu|-m32")
endif()
set(MODEM_SHIM_OUTPUTS "")
foreach(shim_target ${MODEM_SHIM_TARGETS})
  string(REPLACE "|" ";" shim_parts "${shim_target}")
  list(GET shim_parts 0 shim_multiarch)
  list(GET shim_parts 1 shim_flag)
  set(shim_output ${MODEM_SHIM_DIR}/lib/${shim_multiarch}/libmodemshim.so)
  add_custom_command(
    OUTPUT ${shim_output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MODEM_SHIM_DIR}/lib/${shim_multiarch}
    COMMAND ${HOST_CC} ${shim_flag} -O2 -Wall -Wextra -shared -fPIC -o ${shim_output} ${MODEM_SHIM_SOURCE} -ldl
    DEPENDS ${MODEM_SHIM_SOURCE}
    COMMENT "Building the modem-line shim (${shim_multiarch})")
  list(APPEND MODEM_SHIM_OUTPUTS ${shim_output})
endforeach()
add_custom_target(modem_shim ALL DEPENDS ${MODEM_SHIM_OUTPUTS})

add_wine_test(links_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/irda_serv_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comm_port_table_test.cpp
    $<TARGET_OBJECTS:bench_comm_faults>
    $<TARGET_OBJECTS:bench_link_recorder>
    $<TARGET_OBJECTS:bench_loopback_peer>
  LIBS gtest_main links)
set_tests_properties(links_test PROPERTIES TIMEOUT 300)

wine_test_program(links_serial_test
  $<TARGET_OBJECTS:bench_comm_faults>
  ${CMAKE_CURRENT_LIST_DIR}/comm_port_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/link_lock_test.cpp
  $<TARGET_OBJECTS:bench_link_recorder>
  $<TARGET_OBJECTS:bench_loopback_peer>
  $<TARGET_OBJECTS:bench_serial_bench>)
target_link_libraries(links_serial_test PRIVATE gtest_main links)
add_dependencies(links_serial_test modem_shim)
add_test(NAME links_serial_test
         COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/serial-bench.sh ${MODEM_SHIM_DIR} $<TARGET_FILE:links_serial_test>)
set_tests_properties(links_serial_test PROPERTIES
  LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 600)

add_executable(link_latency ${WINE_TEST_PROGRAMS} ${PROJECT_SOURCE_DIR}/bench/link_latency.cpp)
target_link_libraries(link_latency PRIVATE links)
add_dependencies(link_latency modem_shim)

add_test(NAME link_latency_smoke
         COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/serial-bench.sh ${MODEM_SHIM_DIR} $<TARGET_FILE:link_latency> span 1)
set_tests_properties(link_latency_smoke PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 120)
