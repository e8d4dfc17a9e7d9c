// Shows one skinned window of the Qt backend with Chinese texts, and the tray icon, for the
// test on a virtual desktop. It prints what the clipboard held at start, the tray icon's events
// and menu choices, and at the end what was typed into its edit box; "暂停" opens an address in
// the browser. The window closes with its "开始下载" button (exit status 0), or by itself after
// the time given in milliseconds as the first argument (exit status 3).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "platform/qt/qt_backend.h"
#include "resources/tray_icon.h"

using namespace brisklet::platform;

int main(int argc, char** argv) {
  int limitMs = argc > 1 ? std::atoi(argv[1]) : 20000;
  QtBackend backend;
  InstallUiBackend(&backend);
  WindowDef def;
  def.name = "DownloadWindow";
  def.width = 552;
  def.height = 202;
  def.borderless = true;
  def.skinned = true;
  def.controls = {
      {Gbk("窗口EX1"), ControlKind::Frame, 4, 4, 24, 24, ""},
      {Gbk("标签EX4"), ControlKind::Label, 192, 35, 264, 24, Gbk("青梧AI下载器 - 准备就绪")},
      {Gbk("图片框EX2"), ControlKind::PictureBox, 29, 36, 135, 135, ""},
      {Gbk("标签EX1"), ControlKind::Label, 192, 59, 320, 24,
       Gbk("已经检测到直链文件 - 点击下载体验吧")},
      {Gbk("图片框EX1"), ControlKind::PictureBox, 193, 87, 0, 18, ""},
      {Gbk("标签EX2"), ControlKind::Label, 192, 119, 160, 24, Gbk("文件大小：暂未获取")},
      {Gbk("标签EX3"), ControlKind::Label, 192, 143, 192, 24, Gbk("下载进度：暂未开始")},
      {Gbk("按钮EX1"), ControlKind::Button, 363, 120, 46, 33, Gbk("暂停")},
      {Gbk("按钮EX2"), ControlKind::Button, 419, 120, 99, 33, Gbk("开始下载")},
      {Gbk("按钮EX4"), ControlKind::SmallButton, 455, 27, 17, 17, ""},
      {Gbk("按钮EX3"), ControlKind::SmallButton, 479, 27, 17, 17, ""},
      {Gbk("按钮EX5"), ControlKind::SmallButton, 501, 27, 17, 17, ""},
      {Gbk("编辑框1"), ControlKind::EditBox, 192, 172, 100, 20, ""},
  };
  // The tray icon too: the session's tray host must take it.
  // A right click brings up a menu with a separator and a grey entry; the choice is printed.
  Menu menu(
      {{"", true}, {Gbk("磁力搜索")}, {"", true}, {Gbk("版本判断"), false, false}, {Gbk("退出")}});
  bool tray = backend.ShowTrayIcon(
      brisklet::resources::TrayIconPng(), Gbk("青梧AI多线程下载"), [&](TrayEvent e) {
        std::printf("tray event: %s\n", e == TrayEvent::LeftClick    ? "left"
                                        : e == TrayEvent::RightClick ? "right"
                                                                     : "double");
        std::fflush(stdout);
        if (e != TrayEvent::RightClick) return;
        std::printf("menu: %zu\n", backend.PopupMenu(menu));
        std::fflush(stdout);
      });
  std::printf("tray: %s\n", tray ? "yes" : "no");
  // What the X clipboard held at start, read as the system reads it (GBK), shown as UTF-8.
  std::printf("clipboard: %s\n", GbkToUtf8(backend.ClipboardText()).c_str());
  std::fflush(stdout);
  Window window(def);
  int status = 3;
  window.OnClick(Gbk("按钮EX2"), [&](Window& w) {
    status = 0;
    w.Destroy();
  });
  window.OnClick(Gbk("按钮EX5"), [](Window& w) { w.Destroy(); });
  window.OnClick(Gbk("按钮EX1"),
                 [&](Window&) { backend.OpenUrl("http://127.0.0.1/s/?q=" + Gbk("下载")); });
  window.OnCreate([&](Window& w) { w.SetWidth(Gbk("图片框EX1"), 160); });
  int timer = backend.StartTimer(limitMs, [&] { window.Destroy(); });
  OpenWindowModal(window);
  backend.StopTimer(timer);
  std::printf("edit: %s\n", GbkToUtf8(window.Text(Gbk("编辑框1"))).c_str());
  return status;
}
