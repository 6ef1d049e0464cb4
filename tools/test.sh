#!/bin/bash
# Runs every test of the project: installs what is missing, builds every
# preset and the Windows packages, then runs the unit, wine and e2e labels
# (and the bounded fuzz run) and prints the ten slowest tests.
#
# The 64-bit build's Wine tests are the longest part and mostly wait for
# Wine, so they start as soon as that build is made; the other presets are
# built beside them at a lower priority, which leaves the tests the
# processor whenever they want it, and each one's tests start once it is
# made.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/install-deps.sh

# Each Wine and e2e test starts its own virtual screen and copies the
# build's Wine prefix (tests/bench/bench-env.sh), so several share the
# machine; those that must run alone say so in their registration.
# run_ctest PRESET LOG [ARGS...]: the preset's tests, two at a time unless
# ARGS say otherwise, their output in LOG.
run_ctest() {
  local p="$1" log="$2"
  shift 2
  ctest --test-dir "build/$p" --output-on-failure -j2 "$@" >"$log" 2>&1
}

# build_preset PRESET: configures it and builds it at a lower priority.
build_preset() {
  cmake --preset "$1" >/dev/null
  nice -n 10 cmake --build --preset "$1"
}

# test_beside PRESET: starts its tests but the "alone" ones beside the
# rest, at a lower priority (the fuzz run is bounded by time, so it takes
# only what is spare).
started=()
test_beside() {
  (renice -n 10 -p $BASHPID >/dev/null; run_ctest "$1" "build/$1/ctest.log" -LE alone) &
  started+=($!)
}

cmake --preset win64 >/dev/null
# The Wine prefix that every Wine test copies boots beside the build, where
# the tests would otherwise wait for it; should that fail, the tests'
# fixture boots it again and says why.
(ctest --test-dir build/win64 -R '^wine_prefix_template$' >/dev/null 2>&1 || true) &
cmake --build --preset win64
# The 64-bit build's Wine tests start at once, all but the package test,
# which starts once the packages below are built (its own tools/package.sh
# runs then find the release builds made), and those that time themselves
# against tight bounds (label "alone"), which wait until nothing else runs.
run_ctest win64 build/win64/ctest.log -LE alone -E '^e2e_package$' &
started+=($!)

# The Windows packages into dist/.
nice -n 10 bash tools/package.sh
run_ctest win64 build/win64/ctest-package.log -R '^e2e_package$' &
started+=($!)

# The native build next: its fuzz run, bounded by time, then runs beside
# the Wine tests instead of after them.
build_preset host
test_beside host

# The 32-bit build after the packages: its package inspection waits for
# them. Where 32-bit Wine runs, that build has as many Wine tests as the
# 64-bit one: they run after the 64-bit build's, not beside them.
source tests/bench/bench-env.sh
build_preset win32
later=()
if can_run_32bit_wine; then later=(win32); else test_beside win32; fi
build_preset host-asan
test_beside host-asan
status=0
for job in "${started[@]}"; do wait "$job" || status=1; done
for p in "${later[@]}"; do run_ctest "$p" "build/$p/ctest.log" -LE alone || status=1; done
for p in win64 win32; do run_ctest "$p" "build/$p/ctest-alone.log" -L alone || status=1; done

logs=(build/win64/ctest.log build/win64/ctest-package.log build/win64/ctest-alone.log build/win32/ctest.log
  build/win32/ctest-alone.log build/host/ctest.log build/host-asan/ctest.log)
for log in "${logs[@]}"; do
  echo "=== $log"
  cat "$log"
done

echo "=== the ten slowest tests (seconds)"
# "  3/41 Test  #7: name ....   Passed   12.34 sec"
for log in "${logs[@]}"; do
  p=$(basename "$(dirname "$log")")
  sed -n "s|^ *[0-9]*/[0-9]* Test *#[0-9]*: \([^ ]*\) .* \([0-9.]*\) sec\$|\2 $p/\1|p" "$log"
done | sort -rn | head -10
exit $status
