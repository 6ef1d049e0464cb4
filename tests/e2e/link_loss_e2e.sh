#!/bin/bash
# Tavrin.exe with its device on COM1 at 115200 baud. The device locks Ctrl
# (the tooltip's second line says so), locks the left button, starts a
# glide and sends half a sequence; then the line goes away. Ctrl and the
# button must go up within 3 s and the pointer stop; after the line comes
# back the device's "xyz" is typed whole. Then, with the About box open
# while the device streams, Exit must end the program within 1 s.
#
#   link_loss_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe artifact-folder [about]
#
# With "about" only the parts with the About box run (to time any
# Tavrin.exe). The end of the session is timed the same way as Exit.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

port=COM1
baud=115200
start_serial_scenario "$@"
start_tavrin_on_port "$port" "$baud"

lose_the_link_while_the_device_holds_everything() {
  hold_everything_on_the_probe '\033,lock,ct'
  wait_tooltip "Tavrin: $port @ $baud Baud"$'\n'"Locked: Ctrl; mouse button held down: left." 10 \
    "tooltip with Ctrl and the left button locked"
  shot held

  local lost_at released_at
  lost_at=$(now_ms)
  end_line
  wait_record "up ctrl" 3000 || fail "Ctrl stayed down after the line went"
  wait_record "up left" 3000 || fail "the left button stayed down after the line went"
  released_at=$(now_ms)
  echo "Ctrl and the left button went up $((released_at - lost_at)) ms after the line went"
  check "Ctrl and the button up within 3 s" "yes" "$([ $((released_at - lost_at)) -le 3000 ] && echo yes)"
  local before
  before=$(moves)
  # A glide left running would move the pointer within this second.
  sleep 1
  check "pointer moves in the second after the release" "$before" "$(moves)"
  shot released

  start_line
  local back_at
  back_at=$(now_ms)
  wait_tooltip "Tavrin: $port @ $baud Baud" 40 "tooltip after the line came back"
  echo "the port was open again $(($(now_ms) - back_at)) ms after the line came back"
  printf 'xyz' >"$out/peer"
  wait_text "xyz" "the device's text after the reconnect"
  stop_probe
}

# Sequences that name no command: every byte reaches the About monitor and
# nothing is typed. "paced" sends about 11 000 bytes a second, as a device
# at 115200 baud does; "flood" as fast as the line takes them, so that the
# reader is busy when the link stops.
stream_to_the_device() {
  local chunk="$out/stream.bin"
  : >"$chunk"
  for _ in $(seq 100); do printf '\033,nothing.' >>"$chunk"; done
  if [ "$1" = flood ]; then
    for _ in 1 2 3 4 5; do cat "$chunk" "$chunk" "$chunk" "$chunk" >>"$chunk.big"; done
    ( while cat "$chunk.big"; do :; done >"$out/peer" ) 2>/dev/null &
  else
    ( while cat "$chunk"; do sleep 0.1; done >"$out/peer" ) 2>/dev/null &
  fi
  stream_pid=$!
  started_pids+=("$stream_pid")
}

# Asks for Exit and prints how many ms later the program had ended.
timed_exit() {
  local asked_at
  asked_at=$(now_ms)
  driver exit || fail "Exit could not be asked for"
  for _ in $(seq 1000); do kill -0 "$tavrin_pid" 2>/dev/null || break; sleep 0.01; done
  kill -0 "$tavrin_pid" 2>/dev/null && fail "Exit did not end the program within 10 s"
  echo $(($(now_ms) - asked_at))
}

open_about_during_a_stream() {
  local text
  open_tray_menu 1 || fail "no menu for About"
  driver menu-keys down down enter
  driver wait "#32770" "" 10000 || fail "About did not open"
  stream_to_the_device "$2"
  for _ in $(seq 50); do
    text=$(driver texts "" | sed -n 's/^1016|//p')
    [ -n "$text" ] && break
    sleep 0.2
  done
  [ -n "$text" ] || fail "the About monitor shows nothing of the stream"
  shot "about-stream-$1"
}

# The end of the session stops the link while the About box still shows
# and the reader is busy: the whole shutdown runs inside WM_ENDSESSION, and
# the driver times it.
end_the_session_with_the_about_box_open_during_a_stream() {
  local report took
  open_about_during_a_stream session-end flood
  report=$(driver end-session)
  stop_stream
  took=$(sed -n 's/^ended in \([0-9]*\) ms$/\1/p' <<<"$report")
  [ -n "$took" ] || fail "the end of the session was not answered: $report"
  echo "the shutdown at the end of the session took $took ms with the About box open during the stream"
  check "shutdown at the session end within 1 s" "yes" "$([ "$took" -le 1000 ] && echo yes)"
  wait_ended "the end of the session"
}

stop_stream() {
  pkill -P "$stream_pid" 2>/dev/null
  kill "$stream_pid" 2>/dev/null
}

exit_with_the_about_box_open_during_a_stream() {
  local took
  open_about_during_a_stream exit paced
  took=$(timed_exit)
  stop_stream
  echo "Exit with the About box open during the stream ended the program in $took ms"
  check "program ended within 1 s of Exit" "yes" "$([ "$took" -le 1000 ] && echo yes)"
}

[ "${5:-}" = about ] || lose_the_link_while_the_device_holds_everything
end_the_session_with_the_about_box_open_during_a_stream
start_tavrin
driver wait "#32770" "" 30000 || fail "the splash did not show"
wait_gone "#32770" "" 10000 || fail "the splash did not close"
wait_tooltip "Tavrin: $port @ $baud Baud" 10 "tooltip after the restart"
exit_with_the_about_box_open_during_a_stream
echo "PASS"
