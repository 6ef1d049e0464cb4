#!/bin/bash
# Writes a device stream for the soak test: text, control characters,
# extended characters, named keys, and Shift and Ctrl held, combined, locked
# and released, drawn from a seeded generator of its own, so that a seed
# gives the same bytes on every machine and every bash.
#
#   soak_stream.sh SEED MIN_BYTES CHUNKS OUTDIR
#
# OUTDIR gets stream.bin (the whole stream), chunk-1.bin .. chunk-CHUNKS.bin
# (the stream cut into parts of about equal size) and segments (the byte
# offset at which each segment starts, one a line). The stream is made of
# segments, each of which leaves nothing held, locked or waiting, so a cut
# between two of them leaves the interpreter at rest; the stream ends so too.
#
# The grave accent and the tilde are never sent: the soak test uses the
# grave accent's key to learn that the port is reading.
set -euo pipefail
export LC_ALL=C

seed=$1
min_bytes=$2
chunks=$3
outdir=$4

state=$seed
# A linear congruential generator; $draw is in [0, $1).
next() {
  state=$(((state * 1103515245 + 12345) % 2147483648))
  draw=$(((state >> 16) % $1))
}

ESC=$'\033'
TEXT='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 !"#$%&'"'"'()*+,-./:;<=>?@[\]^_{|}'
# Letters and digits: a character that can follow ",combine,mods," as its key.
PLAIN='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
# Lock keys, Escape, Alt, the Windows keys and the tilde are left out: they
# would change the system's state or reach beyond the recorder's window.
NAMES=(enter ret return kpenter tab space backspace bspace apostrophe comma appskey pause
  f1 f2 f3 f4 f5 f6 f7 f8 f9 f10 f11 f12 ins insert del delete home end pgup pageup pgdn pagedown
  up down left right kp0 kp1 kp2 kp3 kp4 kp5 kp6 kp7 kp8 kp9 kpins kpinsert kpdel kpdelete
  kphome kpend kppgup kppageup kppgdn kppagedown kpup kpdown kpleft kpright
  multiply kpstar divide kpdivide kpslash kpplus kpminus kpdp kpmidl)
CONTROLS=(1 2 5 8 9 10 12 13 17 22 26 28 29 30 31)
MODS=("ctrl" "shift" "ctrl,shift" "ctrlshift" "lctrl" "rshift" "control" "rcontrol,lshift")

pick_char() { next ${#1}; seg+="${1:draw:1}"; }

# A key name, sometimes in capitals, with a space inside or a leading minus.
named() {
  local name
  next ${#NAMES[@]}
  name=${NAMES[draw]}
  next 8
  case $draw in
    0) name=${name^^} ;;
    1) name="${name:0:1} ${name:1}" ;;
    2) name="-$name" ;;
  esac
  seg+="$ESC$name."
}

text_run() {
  local n
  next 24
  for ((n = 0; n <= draw; n++)); do pick_char "$TEXT"; done
}

control_char() {
  local code
  next ${#CONTROLS[@]}
  code=${CONTROLS[draw]}
  printf -v code '%03o' "$code"
  printf -v code "\\$code"
  seg+=$code
}

extended_char() {
  local code
  next 128
  printf -v code '%03o' $((128 + draw))
  printf -v code "\\$code"
  seg+=$code
}

# One key for a one-shot modifier: a character or a named key.
some_key() {
  next 3
  if ((draw == 0)); then named; else pick_char "$PLAIN"; fi
}

mods() { next ${#MODS[@]}; mod=${MODS[draw]}; }

held() {
  mods
  next 6
  # Naming a waiting modifier again cancels it.
  ((draw == 0)) && seg+="$ESC,hold,$mod.$ESC,hold,$mod."
  seg+="$ESC,hold,$mod."
  some_key
}

combined() {
  mods
  next 3
  if ((draw == 0)); then
    seg+="$ESC,combine,$mod."
    some_key
  elif ((draw == 1)); then
    next ${#NAMES[@]}
    seg+="$ESC,combine,$mod,${NAMES[draw]}."
  else
    seg+="$ESC,combine,$mod,"
    pick_char "$PLAIN"
    seg+="."
  fi
}

simple_segment() {
  next 10
  case $draw in
    0 | 1 | 2) text_run ;;
    3 | 4) named ;;
    5) control_char ;;
    6) extended_char ;;
    7) held ;;
    *) combined ;;
  esac
}

# Locked modifiers around a few segments, then released all at once or one
# by one; locking what is locked changes nothing.
locked() {
  local lock inner
  next 3
  lock=(ctrl shift ctrl,shift)
  lock=${lock[draw]}
  seg+="$ESC,lock,$lock."
  next 4
  for ((inner = 0; inner <= draw; inner++)); do
    simple_segment
    next 5
    ((draw == 0)) && seg+="$ESC,lock,$lock."
  done
  next 3
  case $draw in
    0) seg+="$ESC,rel." ;;
    1) seg+="$ESC,rel,ctrl.$ESC,rel,shift." ;;
    *) seg+="$ESC,rel,shift.$ESC,rel,ctrl." ;;
  esac
}

mkdir -p "$outdir"
rm -f "$outdir"/chunk-*.bin
stream="$outdir/stream.bin"
: >"$stream"
: >"$outdir/segments"
size=0
while ((size < min_bytes)); do
  seg=""
  next 4
  if ((draw == 0)); then locked; else simple_segment; fi
  echo "$size" >>"$outdir/segments"
  printf '%s' "$seg" >>"$stream"
  size=$((size + ${#seg}))
done

# Each chunk ends at the first segment boundary past its share.
start=0
chunk=1
while read -r offset; do
  if ((chunk < chunks && offset >= size * chunk / chunks && offset > start)); then
    tail -c +$((start + 1)) "$stream" | head -c $((offset - start)) >"$outdir/chunk-$chunk.bin"
    start=$offset
    chunk=$((chunk + 1))
  fi
done <"$outdir/segments"
tail -c +$((start + 1)) "$stream" >"$outdir/chunk-$chunk.bin"
echo "$size bytes in $chunk chunks, $(wc -l <"$outdir/segments") segments"
