#!/bin/bash
# Runs the interpreter fuzzer for a bounded time from a scratch copy of the
# seed corpus, so the repository is never written. Findings land in the
# scratch folder's artifacts/.
#   run_fuzzer.sh FUZZER CORPUS_DIR DICTIONARY SCRATCH_DIR SECONDS
set -euo pipefail
fuzzer=$1 corpus=$2 dictionary=$3 scratch=$4 seconds=$5

rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$corpus"/* "$scratch/corpus/"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -max_len=512 \
  -dict="$dictionary" -artifact_prefix="$scratch/artifacts/" \
  -print_final_stats=1 "$scratch/corpus"
