#!/bin/bash
# Measures Tavrin's added latency end to end under Wine: a private display and
# prefix, a pair of linked pseudo-terminals with one end as COM1 (Tavrin's
# port) and the other as COM2 (the device's end), Tavrin.exe started on COM1,
# then bench/key_latency.cpp writing single bytes into COM2 and
# timing the keys Tavrin types against its own keybd_event.
#
#   tools/latency-bench.sh [BUILD_DIR [COUNT]]     (default build/win64, 500)
#
# BUILD_DIR must hold bin/Tavrin.exe, bin/tray-driver.exe and
# bin/key-latency.exe (cmake --build --preset win64 --target tavrin
# tray_driver key_latency). A measurement, not a test: run it when the machine
# is quiet; the load average is printed with the figures.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath "${1:-$root/build/win64}")"
count="${2:-500}"
tavrin="$build/bin/Tavrin.exe"
driver_exe="$build/bin/tray-driver.exe"
bench_exe="$build/bin/key-latency.exe"
source "$root/tests/e2e/e2e_lib.sh"
# A 32-bit build where 32-bit Wine cannot run skips, its tools unbuilt.
[ -f "$tavrin" ] && require_runnable "$tavrin"
for program in "$tavrin" "$driver_exe" "$bench_exe"; do
  [ -f "$program" ] || { echo "latency-bench: $program is not built" >&2; exit 2; }
done
command -v socat >/dev/null || { echo "latency-bench: socat is not installed" >&2; exit 2; }
start_display_and_prefix "$build/latency-bench"

# COM2 is the pair's other end, mapped before the start restarts the server
# that reads the port map.
/usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Ports' /v COM2 /d "$out/peer" /f >/dev/null 2>&1
start_tavrin_on_port COM1 115200

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
LD_PRELOAD="$shim/\$LIB/libmodemshim.so" /usr/lib/wine/wine64 "$bench_exe" COM2 "$count" | tr -d '\r'
status=${PIPESTATUS[0]}
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
