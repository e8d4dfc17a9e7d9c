#!/usr/bin/env bash
# A window of the Qt backend on a virtual desktop: its Chinese texts are drawn as glyphs, and a
# real click on its button reaches the handler.
#
#   qt_window_test.sh SHOW_WINDOW_BINARY ARTIFACT_DIR
#
# The same window is shown twice: with the machine's fonts, and with a font set that holds no
# Chinese font, where the texts become boxes. The label's area must hold text (ink) and must
# differ clearly from the boxes. Screenshots stay in ARTIFACT_DIR for a look.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

show=$1
out=$2
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

xvfb_session_start || fail "no virtual desktop"

# The label 标签EX1 ("已经检测到直链文件 - 点击下载体验吧") of the window's definition; the
# 开始下载 button at 419,120 99×33.
label=(192 59 320 24)
button_x=$((419 + 49))
button_y=$((120 + 16))

# show_and_shoot NAME FILE: shows the window, screenshots it, closes it with a click on the
# button; the program must end with status 0 (the handler ran).
show_and_shoot() {
  local name=$1 file=$2 wid status
  xvfb_session_run "$name" "$show" 20000
  local pid=$SESSION_LAST_PID
  wid=$(xvfb_session_wait_window DownloadWindow 20) || { cat "$SESSION_DIR/$name.log" >&2; fail "$name: no window"; }
  sleep 1  # first paint
  xvfb_session_screenshot "$file" "$wid" || fail "$name: no screenshot"
  xvfb_session_click "$wid" "$button_x" "$button_y"
  xvfb_session_wait_exit "$pid" 10
  status=$?
  [ "$status" -eq 0 ] || { cat "$SESSION_DIR/$name.log" >&2; fail "$name: the click did not close the window (status $status)"; }
  grep -q 'tray: yes' "$SESSION_DIR/$name.log" || fail "$name: the tray host did not take the icon"
}

show_and_shoot glyphs "$out/window.png"

# Only the Latin fonts: Chinese characters have no glyph and are drawn as boxes.
cat >"$SESSION_DIR/latin-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$SESSION_DIR/fontconfig-cache</cachedir>
</fontconfig>
CONF
FONTCONFIG_FILE="$SESSION_DIR/latin-fonts.conf" show_and_shoot boxes "$out/window-boxes.png"

ink=$(xvfb_session_ink "$out/window.png" "${label[@]}")
boxes_ink=$(xvfb_session_ink "$out/window-boxes.png" "${label[@]}")
differ=$(xvfb_session_differ "$out/window.png" "$out/window-boxes.png" "${label[@]}")
echo "label ink: $ink pixels with glyphs, $boxes_ink with boxes; $differ pixels differ"
[ "$ink" -ge 150 ] || fail "the label's area is (nearly) empty"
[ "$differ" -ge 300 ] || fail "the label looks like the rendering without a Chinese font"
echo "1 passed, 0 failed"
