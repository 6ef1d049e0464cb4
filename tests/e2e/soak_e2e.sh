#!/bin/bash
# The soak test: a seeded stream of some thousands of bytes goes through the
# pty into Tavrin.exe in parts, with the device unplugged and plugged back
# between them. Every injected key event that a low-level hook sees must be
# what tavrin-replay prints for the whole stream with the keyboard layout of
# this very system (the bench's X keymap is not US English throughout).
#
#   soak_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe tavrin-replay.exe artifact-folder
set -uo pipefail

tavrin="$(realpath "$1")"
driver_exe="$(realpath "$2")"
probe_exe="$(realpath "$3")"
replay_exe="$(realpath "$4")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

SEED=20261208
MIN_BYTES=3000
CHUNKS=4
OPEN_TIP="Tavrin: COM1 @ 1200 Baud"
wine64=/usr/lib/wine/wine64

require_runnable "$tavrin"
command -v socat >/dev/null || { echo "SKIP: no socat" >&2; exit 77; }
start_display_and_prefix "$5"
rm -rf "$out/stream" "$out/expected" "$out/keys.txt"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
probe() { $wine64 "$probe_exe" "$@" 2>/dev/null; }
# The key lines tavrin-replay prints for a file with this system's layout, a
# Unicode unit as the hook sees it: VK_PACKET with the unit as scan code
# (Wine 8 leaves the up flag clear on its key-up, so both read as downs).
replay_keys() {
  $wine64 "$replay_exe" --layout "$(windows_path "$out/layout.table")" "$(windows_path "$1")" |
    tr -d '\r' | sed -E 's/^unicode (down|up) u=0x00(..)$/key down vk=0xe7 scan=0x\2 flags=0x0 extra=0x00000000/' |
    grep '^key'
}

bash "$here/soak_stream.sh" "$SEED" "$MIN_BYTES" "$CHUNKS" "$out/stream" || fail "no stream"
start_tavrin_on_com1
probe layout "$(windows_path "$out/layout.table")" || fail "input-probe could not write the layout table"

# The grave accent, which the stream never sends, tells when the port reads:
# a reader that starts discards what arrived before it.
sync_answer=$(awk '$1 == "char" && $2 == "0x60" {print $3}' "$out/layout.table")
[ -n "$sync_answer" ] && [ "$sync_answer" != -1 ] || fail "this layout has no key for \`"
sync_key=$(printf 'vk=0x%02x ' $((sync_answer & 0xFF)))

replay_keys "$out/stream/stream.bin" >"$out/expected" || fail "tavrin-replay gave no key events for the stream"
grep -q "$sync_key" "$out/expected" && fail "the stream itself uses the key $sync_key"

probe keys "$(windows_path "$out/keys.txt")" &
started_pids+=($!)
for _ in $(seq 100); do [ -e "$out/keys.txt" ] && break; sleep 0.1; done
[ -e "$out/keys.txt" ] || fail "the key recorder did not start"
wait_focused "Tavrin key recorder"

recorded() { grep -v "$sync_key" "$out/keys.txt"; }
recorded_count() { recorded | grep -c '^key'; }

# Sends the grave accent until the hook sees it (one every 0.3 s: the port
# may not read yet, so each try is a byte of its own), then waits for half a
# second without a new event, which is how the last ones show they are all
# in.
sync_count() { grep -c "$sync_key" "$out/keys.txt"; }
wait_reading() {
  local _ count before
  before=$(sync_count)
  for _ in $(seq 50); do
    printf '`' >"$out/peer"
    sleep 0.3
    [ "$(sync_count)" -gt "$before" ] && break
  done
  [ "$(sync_count)" -gt "$before" ] || fail "the port does not read"
  count=-1
  while [ "$count" != "$(grep -c '' "$out/keys.txt")" ]; do
    count=$(grep -c '' "$out/keys.txt")
    sleep 0.5
  done
}

# Waits until the hook has seen as many events as the stream so far makes,
# as long as they keep coming.
wait_events() {
  local want=$1 now last=-1 still=0
  while :; do
    now=$(recorded_count)
    [ "$now" -ge "$want" ] && return 0
    if [ "$now" = "$last" ]; then
      still=$((still + 1))
      [ "$still" -ge 40 ] && return 1
    else
      still=0
    fi
    last=$now
    sleep 0.25
  done
}

# Prints the first event where the hook and tavrin-replay differ, and the
# stream's bytes of the segment that made it (with those around it).
report_difference() {
  local index low high mid count
  index=$(awk 'NR == FNR {e[FNR] = $0; n = FNR; next} {a[FNR] = $0; m = FNR}
    END {for (i = 1; i <= (n > m ? n : m); i++) if (e[i] != a[i]) {print i; exit}}' \
    "$out/expected" <(recorded))
  [ -n "$index" ] || return
  echo "first difference at event $index (counting from 1):"
  echo "  tavrin-replay: $(sed -n "${index}p" "$out/expected")"
  echo "  hook:          $(recorded | sed -n "${index}p")"
  # The segment whose start has fewer than index events before it, and
  # whose successor has index or more.
  mapfile -t starts <"$out/stream/segments"
  starts+=("$(stat -c %s "$out/stream/stream.bin")")
  low=0
  high=$((${#starts[@]} - 1))
  while [ $((high - low)) -gt 1 ]; do
    mid=$(((low + high) / 2))
    head -c "${starts[mid]}" "$out/stream/stream.bin" >"$out/prefix.bin"
    count=$(replay_keys "$out/prefix.bin" | grep -c '')
    if [ "$count" -lt "$index" ]; then low=$mid; else high=$mid; fi
  done
  local from=$((${starts[low]} > 40 ? ${starts[low]} - 40 : 0))
  echo "  bytes $from..$((${starts[high]} + 40)), the segment at ${starts[low]}..${starts[high]}:"
  tail -c +$((from + 1)) "$out/stream/stream.bin" | head -c $((${starts[high]} + 40 - from)) | cat -v
  echo
}

bytes=0
replugs=0
wait_reading
for chunk in $(seq "$CHUNKS"); do
  cat "$out/stream/chunk-$chunk.bin" >"$out/peer"
  bytes=$((bytes + $(stat -c %s "$out/stream/chunk-$chunk.bin")))
  head -c "$bytes" "$out/stream/stream.bin" >"$out/sent.bin"
  want=$(replay_keys "$out/sent.bin" | grep -c '')
  wait_events "$want" || { report_difference; fail "after part $chunk the hook saw $(recorded_count) of $want key events"; }
  echo "part $chunk: $bytes bytes sent, $want key events seen"
  [ "$chunk" -eq "$CHUNKS" ] && break

  end_line
  wait_tooltip "Tavrin: Please configure" 30 "tooltip"
  start_line
  wait_tooltip "$OPEN_TIP" 30 "tooltip"
  replugs=$((replugs + 1))
  wait_reading
done

# Anything typed after the last expected event would be spurious: a
# second without input is waited out, since its absence shows no sooner.
sleep 1
if ! diff -q "$out/expected" <(recorded) >/dev/null; then
  report_difference
  fail "the key events the hook saw differ from tavrin-replay's"
fi
echo "ok: $(grep -c '' "$out/expected") key events compared, $bytes bytes, $replugs replugs"
exit_through_menu
echo "PASS"
