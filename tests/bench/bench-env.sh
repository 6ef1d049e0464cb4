# Sourced by the scripts that run our Windows programs under Wine: telling
# a program's bitness, a private virtual screen with a window manager, a
# Wine prefix of the run's own copied from a template booted once.

# The PE machine field of a Windows program: 014c (32-bit) or 8664 (64-bit).
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j $((offset + 4)) -N2 "$1" | tr -d ' '
}

# 32-bit Wine is a 32-bit Linux program, which some kernels cannot execute.
can_run_32bit_wine() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Starts Xvfb on a free display numbered from $1 to $2, with a window
# manager, and exports DISPLAY; BENCH_XVFB_PID is the server the caller
# stops (stop_private_display). BENCH_SCREEN sets its size (default
# 1024x768x24). Two runs may race for one number: Xvfb takes its lock
# atomically, and the loser ends at once and tries the next number. The
# search starts at a random number of the range: a number another test has
# just given up may still have its dying server listening, and a client that
# reaches that server loses its display a moment later. A display is ready
# once a client has connected to it and its window manager has claimed it;
# one that never gets there is ended and the next number tried.
start_private_display() {
  local n i count
  count=$(($2 - $1 + 1))
  for i in $(seq 0 $((count - 1))); do
    n=$(($1 + (RANDOM + i) % count))
    [ -e "/tmp/.X$n-lock" ] && continue
    start_display_server "$n" || continue
    export DISPLAY=":$n"
    if start_window_manager; then return 0; fi
    stop_private_display
  done
  return 1
}

# start_display_server N: Xvfb on :N, ready once it has written its number
# (-displayfd) and a client connects; else it is ended.
start_display_server() {
  local ready server=":$1"
  ready=$(mktemp)
  Xvfb "$server" -displayfd 3 -screen 0 "${BENCH_SCREEN:-1024x768x24}" -nolisten tcp \
    3>"$ready" >/dev/null 2>&1 &
  BENCH_XVFB_PID=$!
  wait_until 10 '[ -s "$ready" ] || ! kill -0 "$BENCH_XVFB_PID" 2>/dev/null'
  if [ -s "$ready" ] && wait_until 10 'xprop -display "$server" -root >/dev/null 2>&1'; then
    rm -f "$ready"
    return 0
  fi
  rm -f "$ready"
  stop_private_display
  return 1
}

# Wine leaves its dialogs and top-level windows to a window manager and waits
# 2 s for one whenever it hides such a window; openbox answers at once and
# gives the focus as a desktop does. Ready once it has claimed the screen.
# On a loaded machine an openbox started beside another one has been seen
# to abort before it claimed its screen: it is started again, three times at
# most, and what the last one said is shown. One that has ended is not
# waited for.
start_window_manager() {
  local attempt log
  log=$(mktemp)
  for attempt in 1 2 3; do
    openbox --sm-disable >"$log" 2>&1 &
    BENCH_WM_PID=$!
    if wait_until 10 'screen_managed || ! kill -0 "$BENCH_WM_PID" 2>/dev/null' && screen_managed; then
      rm -f "$log"
      return 0
    fi
    kill "$BENCH_WM_PID" 2>/dev/null
    wait "$BENCH_WM_PID" 2>/dev/null
  done
  echo "bench: openbox did not start on $DISPLAY:" >&2
  cat "$log" >&2
  rm -f "$log"
  BENCH_WM_PID=""
  return 1
}

screen_managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# Returns once the server has ended (5 s at most), so that its number is
# free only when nothing listens on it any more.
stop_private_display() {
  [ -n "${BENCH_WM_PID:-}" ] && kill "$BENCH_WM_PID" 2>/dev/null
  if [ -n "${BENCH_XVFB_PID:-}" ]; then
    kill "$BENCH_XVFB_PID" 2>/dev/null
    wait_until 5 '! kill -0 "$BENCH_XVFB_PID" 2>/dev/null'
  fi
  BENCH_WM_PID="" BENCH_XVFB_PID=""
  return 0
}

# wait_until SECONDS CONDITION: polls the condition (a shell expression)
# every 50 ms; fails when it still does not hold after SECONDS.
wait_until() {
  local _
  for _ in $(seq $(($1 * 20))); do
    eval "$2" && return 0
    sleep 0.05
  done
  eval "$2"
}

boot_prefix() {
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
}

# Boots the template prefix $1 once; later callers, also concurrent ones,
# find it ready. A template from another Wine (its wine.inf's time stamp)
# is booted anew, since copying it would make every copy update itself.
boot_prefix_template() {
  local template="$1"
  mkdir -p "$(dirname "$template")"
  (
    flock 9
    [ -f "$template/.bench-template" ] &&
      [ "$(tr -d "\r\n" <"$template/.update-timestamp" 2>/dev/null)" = "$(stat -c %Y /usr/share/wine/wine.inf)" ] &&
      exit 0
    rm -rf "$template"
    WINEPREFIX="$template" boot_prefix
    touch "$template/.bench-template"
  ) 9>"$template.lock"
}

# Copies the template prefix $1 into $2 in well under a second: the
# system's modules (600 MB) are hard links, since Wine only ever reads them
# (a prefix update would rewrite them, and a copy of a current template
# needs none); every other file, the registry and the ini files that Wine
# rewrites in place among them, is a copy of its own.
copy_prefix() {
  mkdir -p "$2"
  cp -a --link "$1/." "$2/" 2>/dev/null || { rm -rf "$2"; cp -a "$1" "$2"; return; }
  rm -f "$2/.bench-template"
  # The links just made change the files' ctime, which tar reports.
  (cd "$1" && find . -type f ! -name .bench-template ! -iregex '.*\.\(dll\|exe\|sys\|drv\|ocx\|cpl\|acm\|tlb\|nls\)' -print0 |
    tar --null -T - --warning=no-file-changed -cf -) | tar -C "$2" -xf -
}

# Makes $WINEPREFIX on its first use: a copy of the booted template
# $TAVRIN_PREFIX_TEMPLATE when one is named, a prefix booted in place (some
# seconds) otherwise. BENCH_PREFIX_COPY names the copy, which
# remove_prefix_copy removes.
ensure_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  if [ -n "${TAVRIN_PREFIX_TEMPLATE:-}" ]; then
    boot_prefix_template "$TAVRIN_PREFIX_TEMPLATE"
    copy_prefix "$TAVRIN_PREFIX_TEMPLATE" "$WINEPREFIX"
    BENCH_PREFIX_COPY="$WINEPREFIX"
  else
    boot_prefix
  fi
}

# Ends the copy's wineserver and removes the copy. A server that is being
# killed may still be saving the registry into it: the removal is tried
# until nothing is left.
remove_prefix_copy() {
  [ -n "${BENCH_PREFIX_COPY:-}" ] || return 0
  WINEPREFIX="$BENCH_PREFIX_COPY" /usr/lib/wine/wineserver -k >/dev/null 2>&1
  WINEPREFIX="$BENCH_PREFIX_COPY" /usr/lib/wine/wineserver -w >/dev/null 2>&1
  wait_until 10 'rm -rf "$BENCH_PREFIX_COPY" 2>/dev/null && [ ! -e "$BENCH_PREFIX_COPY" ]'
}
