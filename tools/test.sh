#!/bin/bash
# Runs every test of the project: installs what is missing, builds every
# preset and the Windows packages, then runs the unit, wine and e2e labels
# (and the bounded fuzz run), two tests at a time, and prints the ten
# slowest tests.
#
# The 64-bit build's Wine tests are the longest part and mostly wait for
# Wine, so they start as soon as that build is made; the packages and the
# other presets are built beside them at a lower priority, which leaves the
# tests the processor whenever they want it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/install-deps.sh

# build_preset PRESET [nice]: configures and builds it, at a lower priority
# when asked.
build_preset() {
  cmake --preset "$1" >/dev/null
  ${2:+nice -n 10} cmake --build --preset "$1"
}

# ctest -j2: each Wine and e2e test starts its own virtual screen and copies
# the build's Wine prefix (tests/bench/bench-env.sh), so two share the
# machine; those that must run alone say so in their registration.
# run_ctest PRESET LOG [ARGS...]: the preset's tests, their output in LOG.
run_ctest() {
  local p="$1" log="$2"
  shift 2
  ctest --test-dir "build/$p" --output-on-failure -j2 "$@" >"$log" 2>&1
}

build_preset win64
# The 64-bit build's Wine tests start at once, all but the package test,
# which needs the packages built below, and those that time themselves
# against tight bounds (label "alone"), which wait until nothing else runs.
run_ctest win64 build/win64/ctest.log -LE alone -E '^e2e_package$' &
win64_tests=$!

# The Windows packages into dist/ first: the package tests check them.
nice -n 10 bash tools/package.sh
run_ctest win64 build/win64/ctest-package.log -R '^e2e_package$' &
package_test=$!

# The native tests as soon as their builds are made; the fuzz run is
# bounded by time, so at a lower priority it takes only what is spare.
for p in host host-asan; do build_preset "$p" nice; done
(renice -n 10 -p $BASHPID >/dev/null; status=0
  for p in host host-asan; do run_ctest "$p" "build/$p/ctest.log" || status=1; done; exit $status) &
native=$!

status=0
build_preset win32 nice
run_ctest win32 build/win32/ctest.log || status=1
for job in "$win64_tests" "$package_test" "$native"; do wait "$job" || status=1; done
run_ctest win64 build/win64/ctest-alone.log -L alone || status=1

logs=(build/win64/ctest.log build/win64/ctest-alone.log build/win64/ctest-package.log build/win32/ctest.log build/host/ctest.log build/host-asan/ctest.log)
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
