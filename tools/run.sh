#!/bin/bash
# Starts Tavrin.exe under Wine with COM1 wired to a pseudo-terminal, so that
# bytes written to the other end reach Tavrin as if a device sent them.
#
#   bash tools/run.sh
#
# Installs what is missing, builds Tavrin.exe (32-bit where this kernel can
# run 32-bit Wine, else 64-bit), starts it in a Wine prefix of its own
# (build/run-prefix) on the current display, or on a private Xvfb when there
# is none, opens Notepad for the keystrokes to land in, and prints where to
# write bytes. Ctrl-C (or Exit in Tavrin's tray menu) ends the run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"

bash tools/install-deps.sh

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=win32; loader=/usr/lib/wine/wine
else
  preset=win64; loader=/usr/lib/wine/wine64
fi
build="build/$preset"
cmake --preset "$preset" >/dev/null
cmake --build "$build" --target tavrin modem_shim

export WINEPREFIX="$root/build/run-prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
line="$WINEPREFIX/line"
mkdir -p "$line"

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT INT TERM

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  for n in $(seq 60 99); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    sleep 1
    break
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: preparing the Wine prefix $WINEPREFIX (about 15 seconds, once)"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi

# A pair of linked pseudo-terminals: Tavrin's COM1 is one end, the device is
# whoever writes to the other.
rm -f "$line/com1" "$line/device"
socat "pty,raw,echo=0,link=$line/com1" "pty,raw,echo=0,link=$line/device" 2>/dev/null &
pids+=($!)
for _ in $(seq 200); do [ -e "$line/com1" ] && [ -e "$line/device" ] && break; sleep 0.05; done
[ -e "$line/device" ] || { echo "run: socat made no pseudo-terminal pair" >&2; exit 1; }

/usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$line/com1" /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w

# Without a screen to click on, the first run's Configure dialog could not be
# answered: store COM1 at 9600 baud, which it would offer, and Unicode
# (UTF-8) text, so that the sample's accents and symbols arrive as written.
if [ "$headless" = 1 ] &&
   ! /usr/lib/wine/wine64 reg query 'HKCU\Software\Morvane\Tavrin' >/dev/null 2>&1; then
  key='HKCU\Software\Morvane\Tavrin'
  /usr/lib/wine/wine64 reg add "$key" /v Port /t REG_SZ /d COM1 /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "$key" /v Baud /t REG_DWORD /d 9600 /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "$key" /v Interpretation /t REG_DWORD /d 2 /f >/dev/null 2>&1
fi

# Wine's serial code asks the pseudo-terminal for modem lines it does not
# have; the shim answers for it.
shim="$root/$build/modem-shim/\$LIB/libmodemshim.so"
(cd "$WINEPREFIX/drive_c" && LD_PRELOAD="$shim" "$loader" "$root/$build/bin/Tavrin.exe") &
tavrin=$!
pids+=($tavrin)
sleep 5
"$loader" notepad >/dev/null 2>&1 &
pids+=($!)

cat <<TEXT

Tavrin is running (tray icon "Tavrin: COM1 @ 9600 Baud" once configured).
The device end of its COM1 line is:

    $line/device

Send a sample device stream, which types into the focused window (Notepad):

    cat examples/hello.txt > $line/device
    printf 'Hello, World\033enter.' > $line/device

TEXT
if [ "$headless" = 1 ]; then
  echo "No display was set: Tavrin runs on the virtual screen $DISPLAY. See it with:"
  echo
  echo "    xwd -root -display $DISPLAY | convert xwd:- screen.png"
  echo
fi
echo "Ctrl-C here (or Exit in Tavrin's tray menu) ends the run."
wait "$tavrin" || true
