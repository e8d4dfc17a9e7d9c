# A virtual desktop for tests of the real program: source this file from a bash test script.
#
#   source tests/xvfb/session.sh
#   xvfb_session_start                      # Xvfb, a tray host, a sandbox HOME; cleans up at exit
#   xvfb_session_run brisklet "$BIN"        # starts a program (log: $SESSION_DIR/brisklet.log)
#   xvfb_session_clip 'https://127.0.0.1:8080/setup.EXE'
#   wid=$(xvfb_session_wait_window DownloadWindow 20) || fail
#   xvfb_session_screenshot "$OUT/download.png" "$wid"
#   xvfb_session_click "$wid" 468 136
#   xvfb_session_click_tray 3              # right click on the tray icon
#
# Every wait is bounded; every process started here is ended by xvfb_session_stop, which runs
# on exit, or, should the test script be killed outright, by a detached reaper that notices
# (it also ends the session after XVFB_SESSION_LIMIT seconds, 900 by default).
#
# What the session exports for the programs it runs:
#   DISPLAY                      the virtual display
#   HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR
#                                inside $SESSION_DIR, so nothing of the real user is touched
#   SESSION_DESKTOP              the desktop folder ($HOME/Desktop, named in user-dirs.dirs)
#   SESSION_URLS                 file where addresses "opened in the browser" are written, one a
#                                line (a stand-in xdg-open comes first on PATH)
# Set XVFB_KEEP=1 to keep $SESSION_DIR (logs, sandbox) after the session for a look.

SESSION_DIR=""
SESSION_PIDS=()
SESSION_XVFB_PID=""
SESSION_REAPER_PID=""
XVFB_IM_CONVERT=/usr/bin/convert

xvfb_session_log() { echo "xvfb-session: $*" >&2; }

# Waits until the command succeeds, at most SECONDS (fractions allowed); polls every 0.1 s.
xvfb_session_poll() {
  local seconds=$1
  shift
  local tries=$(awk -v s="$seconds" 'BEGIN { printf "%d", s * 10 }')
  local i
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# xvfb_session_start [WIDTHxHEIGHT]
xvfb_session_start() {
  local geometry=${1:-1280x800}
  SESSION_DIR=$(mktemp -d /tmp/brisklet-xvfb.XXXXXX)
  trap xvfb_session_stop EXIT
  trap 'exit 130' INT TERM

  : >"$SESSION_DIR/pids"
  # Should this script be killed outright (a test runner's time-out), a reaper of its own
  # ends what the session started once the script is gone, or after XVFB_SESSION_LIMIT seconds.
  local reap
  reap="xvfb_session_reap $$ '$SESSION_DIR' ${XVFB_SESSION_LIMIT:-900} ${XVFB_KEEP:-0}"
  setsid bash -c "$(declare -f xvfb_session_reap); $reap" >/dev/null 2>&1 </dev/null &
  SESSION_REAPER_PID=$!

  # Xvfb picks a free display number itself and writes it once it accepts connections.
  setsid Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp -noreset \
    3>"$SESSION_DIR/display" >"$SESSION_DIR/xvfb.log" 2>&1 </dev/null &
  SESSION_XVFB_PID=$!
  echo "$SESSION_XVFB_PID" >>"$SESSION_DIR/pids"
  if ! xvfb_session_poll 10 grep -q '[0-9]' "$SESSION_DIR/display"; then
    xvfb_session_log "Xvfb did not start"; cat "$SESSION_DIR/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=":$(tr -dc 0-9 <"$SESSION_DIR/display")"

  export HOME="$SESSION_DIR/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
  export XDG_DATA_HOME="$HOME/.local/share"
  export XDG_RUNTIME_DIR="$SESSION_DIR/run"
  export SESSION_DESKTOP="$HOME/Desktop"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$SESSION_DESKTOP" \
    "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' >"$XDG_CONFIG_HOME/user-dirs.dirs"
  # No session bus: Qt then puts its tray icon into the X tray (trayer) at once.
  export DBUS_SESSION_BUS_ADDRESS="disabled:"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY

  # The browser: a stand-in that notes the address.
  export SESSION_URLS="$SESSION_DIR/opened-urls.txt"
  mkdir -p "$SESSION_DIR/bin"
  printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$SESSION_URLS" >"$SESSION_DIR/bin/xdg-open"
  chmod +x "$SESSION_DIR/bin/xdg-open"
  export PATH="$SESSION_DIR/bin:$PATH"
  export BROWSER="$SESSION_DIR/bin/xdg-open"

  xvfb_session_run trayer trayer --edge top --align right --widthtype request --height 24 \
    --transparent false --tint 0xffffff --SetDockType true --expand true
  if ! xvfb_session_poll 10 xvfb_session_has_tray; then
    xvfb_session_log "no tray host came up"
    return 1
  fi
  xvfb_session_log "display $DISPLAY, sandbox $SESSION_DIR"
}

# True when the tray host's panel is up.
xvfb_session_has_tray() {
  xvfb_session_tray_window >/dev/null
}

# Prints the id of the tray host's panel, the strip at the top right that holds tray icons.
xvfb_session_tray_window() {
  xdotool search --limit 1 --onlyvisible --class trayer 2>/dev/null
}

# xvfb_session_click_tray [BUTTON] — clicks the middle of the tray panel: with one program's
# icon in it, that icon (button 1 left, 3 right).
xvfb_session_click_tray() {
  local tray WIDTH HEIGHT X Y SCREEN WINDOW
  tray=$(xvfb_session_tray_window) || return 1
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  xvfb_session_click "$tray" $((WIDTH / 2)) $((HEIGHT / 2)) "${1:-1}"
}

# xvfb_session_run NAME COMMAND... — starts COMMAND in the background in a process group of
# its own, output in $SESSION_DIR/NAME.log; sets SESSION_LAST_PID.
xvfb_session_run() {
  local name=$1
  shift
  setsid "$@" >"$SESSION_DIR/$name.log" 2>&1 </dev/null &
  SESSION_LAST_PID=$!
  SESSION_PIDS+=("$SESSION_LAST_PID")
  echo "$SESSION_LAST_PID" >>"$SESSION_DIR/pids"
}

# xvfb_session_wait_exit PID SECONDS — waits for a program started with xvfb_session_run to
# end; returns its exit status, or 124 when it is still running after SECONDS.
xvfb_session_wait_exit() {
  local pid=$1 seconds=$2
  xvfb_session_poll "$seconds" xvfb_session_gone "$pid" || return 124
  wait "$pid"
}

# True when the process has ended (or is a zombie waiting to be reaped).
xvfb_session_gone() {
  ! kill -0 "$1" 2>/dev/null ||
    [ "$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)" = Z ]
}

# xvfb_session_wait_window TITLE [SECONDS] — prints the id of the first visible window whose
# title is exactly TITLE (default wait 10 s).
xvfb_session_wait_window() {
  local title=$1 seconds=${2:-10}
  local pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$"
  local tries=$((seconds * 10)) i wid
  for ((i = 0; i < tries; i++)); do
    wid=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    if [ -n "$wid" ]; then
      echo "$wid"
      return 0
    fi
    sleep 0.1
  done
  xvfb_session_log "no window titled '$title' after ${seconds}s"
  return 1
}

# xvfb_session_clip TEXT — puts TEXT (UTF-8) on the X clipboard, served by an xclip that the
# session ends later (or that ends itself when another program takes the clipboard).
xvfb_session_clip() {
  printf '%s' "$1" >"$SESSION_DIR/clip.txt"
  setsid xclip -selection clipboard -quiet -i "$SESSION_DIR/clip.txt" >/dev/null 2>&1 </dev/null &
  SESSION_PIDS+=("$!")
  echo "$!" >>"$SESSION_DIR/pids"
  xvfb_session_poll 5 xvfb_session_clip_is "$1"
}

xvfb_session_clip_is() { [ "$(xvfb_session_clip_read)" = "$1" ]; }

# Prints the X clipboard's text (empty when none).
xvfb_session_clip_read() {
  timeout 5 xclip -selection clipboard -o 2>/dev/null
}

# xvfb_session_click WINDOW X Y [BUTTON] — clicks at X,Y inside the window.
xvfb_session_click() {
  xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click "${4:-1}"
}

# xvfb_session_type WINDOW TEXT — gives the window the keyboard and types TEXT.
xvfb_session_type() {
  xdotool windowfocus "$1" 2>/dev/null
  xdotool type --delay 30 --window "$1" "$2"
}

# xvfb_session_screenshot FILE [WINDOW] — a PNG of the whole screen, or of one window.
xvfb_session_screenshot() {
  import -window "${2:-root}" "$1"
}

# xvfb_session_ink FILE X Y WIDTH HEIGHT — how many pixels of the region are darker than mid
# grey: text drawn there gives a few hundred, an empty area none.
xvfb_session_ink() {
  "$XVFB_IM_CONVERT" "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace gray -threshold 55% \
    -negate -format '%[fx:round(mean*w*h)]' info:
}

# xvfb_session_differ A B X Y WIDTH HEIGHT — how many pixels of the region differ between two
# pictures.
xvfb_session_differ() {
  local a=$1 b=$2
  shift 2
  local crop="${3}x${4}+${1}+${2}"
  "$XVFB_IM_CONVERT" "$a" -crop "$crop" +repage "$SESSION_DIR/differ-a.png" &&
    "$XVFB_IM_CONVERT" "$b" -crop "$crop" +repage "$SESSION_DIR/differ-b.png" || return 1
  # compare prints the count on stderr and exits 1 when the pictures differ.
  compare -metric AE -fuzz 10% "$SESSION_DIR/differ-a.png" "$SESSION_DIR/differ-b.png" null: 2>&1 |
    awk '{ printf "%d", $1 }'
}

# The reaper (runs detached): waits while the test script lives, at most LIMIT seconds, then
# kills what is left of the session's processes and removes the sandbox unless KEEP is 1.
xvfb_session_reap() {
  local parent=$1 dir=$2 limit=$3 keep=$4 waited=0 pid
  while kill -0 "$parent" 2>/dev/null && [ "$waited" -lt "$limit" ]; do
    sleep 1
    waited=$((waited + 1))
  done
  [ -f "$dir/pids" ] || exit 0
  while read -r pid; do
    kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null
  done <"$dir/pids"
  [ "$keep" = 1 ] || rm -rf "$dir"
}

# Ends every process the session started (their process groups), Xvfb last, and removes the
# sandbox unless XVFB_KEEP=1. Runs on exit; safe to call twice.
xvfb_session_stop() {
  local pid i
  for pid in "${SESSION_PIDS[@]}"; do
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null
  done
  for pid in "${SESSION_PIDS[@]}"; do
    for ((i = 0; i < 20; i++)); do
      xvfb_session_gone "$pid" && break
      sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  SESSION_PIDS=()
  if [ -n "$SESSION_XVFB_PID" ]; then
    kill -TERM "$SESSION_XVFB_PID" 2>/dev/null
    wait "$SESSION_XVFB_PID" 2>/dev/null
    SESSION_XVFB_PID=""
  fi
  if [ -n "$SESSION_REAPER_PID" ]; then
    kill -TERM -- "-$SESSION_REAPER_PID" 2>/dev/null
    wait "$SESSION_REAPER_PID" 2>/dev/null
    SESSION_REAPER_PID=""
  fi
  if [ -n "$SESSION_DIR" ] && [ "${XVFB_KEEP:-0}" != 1 ]; then
    rm -rf "$SESSION_DIR"
  elif [ -n "$SESSION_DIR" ]; then
    xvfb_session_log "kept $SESSION_DIR"
  fi
  SESSION_DIR=""
}
