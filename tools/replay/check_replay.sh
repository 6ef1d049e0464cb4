#!/bin/bash
# Usage: check_replay.sh TAVRIN_REPLAY CASES_DIR
# Each case is NAME.in (the byte stream), NAME.expected (the output, worked
# out by hand) and optionally NAME.args (extra options on one line, where
# @CASES@ stands for the cases folder).
set -u
replay=$1
cases=$2
failed=0
passed=0

fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

# run_case NAME HOW ARGS...: the replay exits 0 and prints what
# NAME.expected holds. Its status is kept apart from its output, so a crash
# or a sanitizer report after complete output still fails.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_case() {
  local name=$1 how=$2 status
  shift 2
  if [ "$how" = "from standard input" ]; then
    "$replay" "$@" <"$cases/$name.in" >"$work/out" 2>"$work/err"
  else
    "$replay" "$@" "$cases/$name.in" >"$work/out" 2>"$work/err" </dev/null
  fi
  status=$?
  if [ "$status" -ne 0 ]; then
    fail "case $name $how exited $status"
    cat "$work/err"
  elif ! diff -u "$cases/$name.expected" "$work/out"; then
    fail "case $name $how"
  else
    passed=$((passed + 1))
  fi
}

for input in "$cases"/*.in; do
  name=$(basename "$input" .in)
  args=()
  [ -f "$cases/$name.args" ] && read -r -a args <"$cases/$name.args"
  args=("${args[@]//@CASES@/$cases}")
  run_case "$name" "read from a file" "${args[@]}"
  # Standard input gives the same as the file.
  run_case "$name" "from standard input" "${args[@]}"
done

# expect_status STATUS STDERR_PATTERN ARGS...: the run exits with STATUS,
# prints nothing on standard output and says STDERR_PATTERN on standard error.
expect_status() {
  local want=$1 pattern=$2
  shift 2
  local out err status
  err=$("$replay" "$@" 2>&1 >/dev/null </dev/null)
  status=$?
  out=$("$replay" "$@" 2>/dev/null </dev/null)
  if [ "$status" -ne "$want" ]; then
    fail "'$*' exited $status, not $want"
  elif ! grep -q -- "$pattern" <<<"$err"; then
    fail "'$*' said '$err', which lacks '$pattern'"
  elif [ -n "$out" ]; then
    fail "'$*' printed '$out' on standard output"
  else
    passed=$((passed + 1))
  fi
}

expect_status 2 "unknown option --bogus" --bogus
expect_status 2 "cannot open $cases/no-such-file" "$cases/no-such-file"
expect_status 2 "cannot read" "$cases"
expect_status 2 "--language needs" --language
expect_status 2 "--language needs a number" --language 0x10000
expect_status 2 "--language needs a number" --language deutsch
expect_status 2 "--ticks needs" --ticks -3
# Layout tables with a bad entry are refused whole; a short one may leave
# bytes out, but not the key of a byte it calls dead.
tables=$(mktemp -d)
{ head -n 100 "$cases/xvfb.layout"; echo "dead 0x7e"; } >"$tables/short"
{ cat "$cases/xvfb.layout"; echo "char 0x41 0x0141"; } >"$tables/twice"
sed 's/^scan 0x41 0x1e$/scan 0x41 0x10000/' "$cases/xvfb.layout" >"$tables/range"
sed 's/^char 0x41 /key 0x41 /' "$cases/xvfb.layout" >"$tables/word"
expect_status 2 "--layout needs" --layout
expect_status 2 "cannot open $cases/no-such-file" --layout "$cases/no-such-file"
expect_status 2 "\"dead 0x7e\" names a byte that has no key" --layout "$tables/short"
expect_status 2 "$tables/twice:517: this entry was given before" --layout "$tables/twice"
expect_status 2 "SCAN 0..0xffff" --layout "$tables/range"
expect_status 2 "starts with \"char\", \"scan\", \"dead\" or \"caps\"" --layout "$tables/word"
rm -rf "$tables"
expect_status 2 "exclude each other" --ascii --unicode
expect_status 2 "only one input file" "$cases/hello.in" "$cases/hello.in"

for option in "--ticks N" "--layout FILE" "--unicode" "--caps-lock"; do
  if "$replay" --help | grep -q -- "$option"; then passed=$((passed + 1)); else fail "--help does not explain $option"; fi
done
if [ -z "$("$replay" </dev/null)" ]; then passed=$((passed + 1)); else fail "an empty stream printed something"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
