#include "app/settings_window.h"

#include <string>

#include "app/settings_file.h"
#include "platform/codepage.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::app {
namespace {

using platform::ControlKind;
using platform::Gbk;

const std::string& ThreadBox() {
  static const std::string name = Gbk("编辑框EX1");
  return name;
}

// 按钮EX2: the typed text sets threadCount as an integer (no default: "abc" gives 0) and is
// written to the file as typed.
void SaveThreadCount(AppState& state, platform::Window& window) {
  state.threadCount = SettingToInt(window.Text(ThreadBox()));
  WriteSetting(Gbk("线程数量"), window.Text(ThreadBox()));
  window.Destroy();
}

// "0 为 32，上限 128": what the engines make of the typed count.
std::string ThreadRangeText() {
  return Gbk("0 为 ") + std::to_string(kDefaultThreads) + Gbk("，上限 ") +
         std::to_string(kThreadCeiling);
}

}  // namespace

platform::WindowDef SettingsWindowDef() {
  platform::WindowDef def;
  def.name = "SettingsWindow";
  def.title = Gbk("设置");
  def.width = 378;
  def.height = 228;
  def.borderless = true;
  def.skinned = true;
  def.controls = {
      {Gbk("标签EX4"), ControlKind::Label, 40, 35, 264, 24, Gbk("设置")},
      {Gbk("按钮EX5"), ControlKind::SmallButton, 325, 39, 17, 17, ""},
      {Gbk("标签EX2"), ControlKind::Label, 40, 68, 304, 24, Gbk("线程数量：")},
      {Gbk("编辑框EX1"), ControlKind::EditBox, 112, 70, 56, 20, "32"},
      // Where the two detection radio buttons would stand (nothing ever read them): the range
      // the engines take the count in.
      {Gbk("标签EX6"), ControlKind::Label, 180, 68, 164, 24, ThreadRangeText()},
      {Gbk("标签EX3"), ControlKind::Label, 40, 105, 72, 24, Gbk("代理设置：")},
      {Gbk("编辑框EX2"), ControlKind::EditBox, 112, 107, 216, 20, "127.0.0.1:8888"},
      {Gbk("标签EX5"), ControlKind::Label, 40, 144, 72, 24, Gbk("UA协议头：")},
      {Gbk("编辑框EX3"), ControlKind::EditBox, 112, 146, 216, 20,
       "Azureus 5.7.5.0;Windows 10;Java 1.8.0_211"},
      {Gbk("按钮EX2"), ControlKind::Button, 139, 176, 99, 28, Gbk("保存设置")},
  };
  return def;
}

std::unique_ptr<platform::Window> MakeSettingsWindow(AppState& state) {
  auto window = std::make_unique<platform::Window>(SettingsWindowDef());
  window->OnCreate([&state](platform::Window& w) {
    if (state.threadCount == 0) state.threadCount = kDefaultThreads;
    w.SetText(ThreadBox(), std::to_string(state.threadCount.load()));
  });
  window->OnClick(Gbk("按钮EX2"), [&state](platform::Window& w) { SaveThreadCount(state, w); });
  window->OnClick(Gbk("按钮EX5"), [](platform::Window& w) { w.Destroy(); });
  return window;
}

void OpenSettingsWindow(AppState& state) {
  auto window = MakeSettingsWindow(state);
  platform::OpenWindowModal(*window);
}

}  // namespace brisklet::app
