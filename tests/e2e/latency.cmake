# Not a test: key-latency measures the time from a byte on the line to the
# key Tavrin types, against a baseline of its own keybd_event. It is built
# here so that every Windows build keeps it compiling; run it with
# tools/latency-bench.sh.
add_executable(key_latency ${PROJECT_SOURCE_DIR}/tools/key-latency/key_latency.cpp)
set_target_properties(key_latency PROPERTIES OUTPUT_NAME key-latency)
