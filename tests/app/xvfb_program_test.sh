#!/usr/bin/env bash
# The real program on a virtual desktop: a link put on the X clipboard opens the download
# window, whose Chinese texts are drawn as glyphs; the tray icon opens the menu; the clipboard is emptied and the address
# written to the settings file; a second start ends at once, silently.
#
#   xvfb_program_test.sh BRISKLET_BINARY ARTIFACT_DIR
#
# The screenshots stay in ARTIFACT_DIR for a look.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../xvfb/session.sh"

program=$1
out=$2
mkdir -p "$out"
fail() {
  echo "FAIL: $*" >&2
  [ -n "${SESSION_DIR:-}" ] && cat "$SESSION_DIR"/brisklet*.log >&2 2>/dev/null
  exit 1
}

xvfb_session_start || fail "no virtual desktop"

xvfb_session_run brisklet "$program"
first=$SESSION_LAST_PID
autostart="$XDG_CONFIG_HOME/autostart/AI.desktop"
xvfb_session_poll 20 test -s "$autostart" || fail "the program did not start (no autostart entry)"
grep -q "^Exec=.*brisklet" "$autostart" || fail "the autostart entry does not start the program"

# The tray icon sits in the tray host; a right click on it opens the menu.
icon=""
find_icon() { icon=$(xdotool search --classname '^brisklet$' 2>/dev/null | head -n 1); [ -n "$icon" ]; }
xvfb_session_poll 10 find_icon || fail "no tray icon"
xdotool mousemove --window "$icon" 10 10 sleep 0.2 click 3
menu_open() { [ "$(xdotool search --onlyvisible --classname '^brisklet$' 2>/dev/null | wc -l)" -ge 2 ]; }
xvfb_session_poll 10 menu_open || fail "a right click on the tray icon opened no menu"
sleep 0.5
xvfb_session_screenshot "$out/tray-menu.png" || fail "no screenshot of the menu"
xdotool key Escape

# A second start ends before it writes anything or shows an icon.
rm -f "$autostart"
xvfb_session_run brisklet-second "$program"
xvfb_session_wait_exit "$SESSION_LAST_PID" 15
status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
[ ! -s "$SESSION_DIR/brisklet-second.log" ] || fail "the second start said something"
[ ! -e "$autostart" ] || fail "the second start wrote the autostart entry"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"

link='http://127.0.0.1:9/安装包/setup.EXE'
xvfb_session_clip "$link" || fail "xclip could not set the clipboard"
wid=$(xvfb_session_wait_window DownloadWindow 20) || fail "no download window opened"
sleep 1  # first paint
xvfb_session_screenshot "$out/download-window.png" "$wid" || fail "no screenshot"

clip=$(xvfb_session_clip_read)
[ -z "$clip" ] || fail "the clipboard still holds '$clip'"
settings="$XDG_CONFIG_HOME/brisklet/Accounts.ini"
expected=$(printf '[云服务器]\n下载地址=%s' "$link" | iconv -f UTF-8 -t GBK)
LC_ALL=C grep -qF "$(printf '%s' "$expected" | tail -n 1)" "$settings" || fail "下载地址 not written in GBK to $settings"

# 标签EX4 "青梧AI下载器 - 准备就绪" and 标签EX1 "已经检测到直链文件 - 点击下载体验吧".
for region in "192 35 264 24" "192 59 320 24"; do
  ink=$(xvfb_session_ink "$out/download-window.png" $region)
  echo "ink at $region: $ink"
  [ "$ink" -ge 150 ] || fail "no text drawn at $region"
done
echo "1 passed, 0 failed"
