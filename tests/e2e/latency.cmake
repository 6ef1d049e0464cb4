# key-latency measures the time from a byte on the line to the key Tavrin
# types, against a baseline of its own keybd_event (tools/latency-bench.sh).
# One short run here checks that every byte written was matched by its key:
# the tool exits 1 otherwise.
add_executable(key_latency ${WINE_TEST_PROGRAMS} ${PROJECT_SOURCE_DIR}/bench/key_latency.cpp)
set_target_properties(key_latency PROPERTIES OUTPUT_NAME key-latency)

add_test(NAME e2e_key_latency_smoke
         COMMAND bash ${PROJECT_SOURCE_DIR}/tools/latency-bench.sh ${CMAKE_BINARY_DIR} 20)
set_tests_properties(e2e_key_latency_smoke PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
