#!/bin/bash
# Builds tavrin-replay and shows what a sample device stream makes the
# interpreter do.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash tools/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host --target tavrin-replay
build/host/bin/tavrin-replay examples/hello.txt
