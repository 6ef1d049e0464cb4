#!/bin/bash
# Runs every test of the project: installs what is missing, builds every
# preset and the Windows packages, then runs the unit, wine and e2e labels
# (and the bounded fuzz run), two tests at a time, and prints the ten
# slowest tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/install-deps.sh

presets=(host host-asan win32 win64)
for p in "${presets[@]}"; do
  cmake --preset "$p"
  cmake --build --preset "$p"
done

# The Windows packages into dist/; the package tests check them.
bash tools/package.sh

# ctest -j2: each Wine and e2e test starts its own virtual screen and copies
# the build's Wine prefix (tests/bench/bench-env.sh), so two share the
# machine; those that must run alone say so in their registration.
# ctest_preset PRESET: the preset's tests, their output kept in its ctest.log.
ctest_preset() { ctest --test-dir "build/$1" --output-on-failure -j2 >"build/$1/ctest.log" 2>&1; }

# The native tests, whose fuzz run keeps one core busy for a minute, run
# beside the Windows builds' tests, which mostly wait for Wine; their output
# follows.
status=0
(status=0; for p in host host-asan; do ctest_preset "$p" || status=1; done; exit $status) &
native=$!
for p in win32 win64; do
  echo "=== tests of preset $p"
  ctest_preset "$p" || status=1
  cat "build/$p/ctest.log"
done
wait "$native" || status=1
for p in host host-asan; do
  echo "=== tests of preset $p"
  cat "build/$p/ctest.log"
done

echo "=== the ten slowest tests (seconds)"
# "  3/41 Test  #7: name ....   Passed   12.34 sec"
for p in "${presets[@]}"; do
  sed -n "s|^ *[0-9]*/[0-9]* Test *#[0-9]*: \([^ ]*\) .* \([0-9.]*\) sec\$|\2 $p/\1|p" "build/$p/ctest.log"
done | sort -rn | head -10
exit $status
