#include "download/download_windows.h"

#include "platform/codepage.h"

namespace brisklet::download {
namespace {

using platform::ControlKind;
using platform::Gbk;
using platform::WindowDef;

WindowDef BaseDef(const char* name, const std::string& fileLabel) {
  WindowDef def;
  def.name = name;
  def.width = 552;
  def.height = 202;
  def.borderless = true;
  def.skinned = true;
  def.controls = {
      {Gbk("窗口EX1"), ControlKind::Frame, 4, 4, 24, 24, ""},
      {Gbk("标签EX4"), ControlKind::Label, 192, 35, 264, 24, Gbk("青梧AI下载器 - 准备就绪")},
      {Gbk("图片框EX2"), ControlKind::PictureBox, 29, 36, 135, 135, ""},
      {Gbk("标签EX1"), ControlKind::Label, 192, 59, 320, 24, fileLabel},
      {Gbk("图片框EX1"), ControlKind::PictureBox, 193, 87, 0, 18, ""},
      {Gbk("标签EX2"), ControlKind::Label, 192, 119, 160, 24, Gbk("文件大小：暂未获取")},
      {Gbk("标签EX3"), ControlKind::Label, 192, 143, 192, 24, Gbk("下载进度：暂未开始")},
      {Gbk("按钮EX1"), ControlKind::Button, 363, 120, 46, 33, Gbk("暂停")},
      {Gbk("按钮EX2"), ControlKind::Button, 419, 120, 99, 33, Gbk("开始下载")},
      {Gbk("按钮EX4"), ControlKind::SmallButton, 455, 27, 17, 17, ""},
      {Gbk("按钮EX3"), ControlKind::SmallButton, 479, 27, 17, 17, ""},
      {Gbk("按钮EX5"), ControlKind::SmallButton, 501, 27, 17, 17, ""},
  };
  return def;
}

}  // namespace

WindowDef DownloadWindowDef() { return BaseDef("DownloadWindow", Gbk("已经检测到直链文件 - 点击下载体验吧")); }

WindowDef CompatDownloadWindowDef() {
  return BaseDef("CompatDownloadWindow", Gbk("兼容版不显示文件名称，请下完之后自行添加后缀名。"));
}

// The engines attach their handlers here; until then the windows are their definitions only.
std::unique_ptr<platform::Window> MakeDownloadWindow(app::AppState&) {
  return std::make_unique<platform::Window>(DownloadWindowDef());
}

std::unique_ptr<platform::Window> MakeCompatDownloadWindow(app::AppState&) {
  return std::make_unique<platform::Window>(CompatDownloadWindowDef());
}

}  // namespace brisklet::download
