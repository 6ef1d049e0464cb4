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

# Each Wine and e2e test starts its own virtual screen and copies the
# build's Wine prefix (tests/bench/bench-env.sh), so two share the machine;
# those that must run alone say so in their registration.
status=0
timings=$(mktemp)
trap 'rm -f "$timings"' EXIT
for p in "${presets[@]}"; do
  echo "=== tests of preset $p"
  ctest --test-dir "build/$p" --output-on-failure -j2 | tee "build/$p/ctest.log" || status=1
  # "  3/41 Test  #7: name ....   Passed   12.34 sec"
  sed -n "s|^ *[0-9]*/[0-9]* Test *#[0-9]*: \([^ ]*\) .* \([0-9.]*\) sec\$|\2 $p/\1|p" "build/$p/ctest.log" >>"$timings"
done

echo "=== the ten slowest tests (seconds)"
sort -rn "$timings" | head -10
exit $status
