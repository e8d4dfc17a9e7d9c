#!/usr/bin/env bash
# The real program on a virtual desktop: a direct link on the X clipboard opens the download
# window, a real click on 开始下载 starts it, and the whole file arrives on the desktop.
#
#   xvfb_download_test.sh BRISKLET SERVE_PATTERN ARTIFACT_DIR
set -u
here=$(cd "$(dirname "$0")/../xvfb" && pwd)
source "$here/session.sh"

brisklet=$1
serve=$2
out=$3
mkdir -p "$out"
fail() {
  echo "FAIL: $*" >&2
  [ -n "${SESSION_DIR:-}" ] && cat "$SESSION_DIR"/brisklet.log "$SESSION_DIR"/server.log >&2 2>/dev/null
  exit 1
}

xvfb_session_start || fail "no virtual desktop"

size=3000001
xvfb_session_run server "$serve" "$size" "$SESSION_DIR/expected.bin"
xvfb_session_poll 10 grep -q '^http' "$SESSION_DIR/server.log" || fail "the file server did not start"
url=$(head -n 1 "$SESSION_DIR/server.log")

xvfb_session_run brisklet "$brisklet"
xvfb_session_poll 20 test -e "$XDG_CONFIG_HOME/autostart/AI.desktop" || fail "the program did not start"
sleep 1
xvfb_session_clip "$url" || fail "could not set the clipboard"

wid=$(xvfb_session_wait_window DownloadWindow 20) || fail "no download window for the link"
sleep 1  # first paint
xvfb_session_screenshot "$out/ready.png" "$wid"
# 开始下载: 按钮EX2 at 419,120, 99×33.
xvfb_session_click "$wid" $((419 + 49)) $((120 + 16))

saved="$SESSION_DESKTOP/setup.exe"
xvfb_session_poll 30 test -s "$saved" || fail "no file on the desktop"
xvfb_session_poll 10 cmp -s "$saved" "$SESSION_DIR/expected.bin" || fail "the desktop file differs from the served one"
xvfb_session_screenshot "$out/done.png" "$wid" 2>/dev/null
[ -z "$(ls -A "$XDG_CACHE_HOME/brisklet/临时下载文件" 2>/dev/null)" ] || fail "part files were left behind"
[ -z "$(xvfb_session_clip_read)" ] || fail "the clipboard was not emptied"
echo "1 passed, 0 failed"
