#!/bin/bash
# Runs every test of the project: installs what is missing, builds every
# preset and the Windows packages, then runs the unit, wine and e2e labels
# (and the bounded fuzz run).
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

# One virtual screen and one Wine prefix serve the whole run.
source tests/bench/bench-env.sh
start_bench_display

status=0
for p in "${presets[@]}"; do
  echo "=== tests of preset $p"
  ctest --test-dir "build/$p" --output-on-failure || status=1
done
exit $status
