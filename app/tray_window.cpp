#include "app/tray_window.h"

#include <thread>
#include <utility>
#include <vector>

#include "app/autostart.h"
#include "app/settings_file.h"
#include "app/settings_window.h"
#include "app/single_instance_guard.h"
#include "app/start_program.h"
#include "intake/clipboard_watcher.h"
#include "platform/codepage.h"

namespace brisklet::app {
namespace {

using platform::Gbk;

const std::string& DetectionOnCaption() {
  static const std::string caption = Gbk("关闭检测剪辑版");
  return caption;
}

}  // namespace

std::vector<platform::MenuEntry> TrayWindow::MenuEntries() {
  std::vector<platform::MenuEntry> entries(30, platform::MenuEntry{"", true, true});
  auto put = [&](std::size_t position, const char* caption, bool enabled) {
    entries[position - 1] = platform::MenuEntry{Gbk(caption), false, enabled};
  };
  put(tray_menu::kMagnetSearch, "磁力搜索", true);
  put(tray_menu::kVideoParsing, "影视解析", true);
  put(tray_menu::kCloudSearch, "百度云搜索", true);
  put(tray_menu::kVersion, "版本判断", false);
  put(tray_menu::kSettings, "设置", true);
  put(tray_menu::kManualLink, "手动输入链接", true);
  put(tray_menu::kDetection, "关闭检测剪辑版", true);
  put(tray_menu::kEngine, "切换下载引擎-UI极速版", true);
  put(tray_menu::kOnlineCount, "当前在线人数", false);
  put(tray_menu::kAnnouncement, "公告通知", false);
  put(tray_menu::kExit, "退出", true);
  return entries;
}

std::string TrayWindow::EngineCaption(int engine) {
  return Gbk(engine == 0 ? "切换下载引擎【闪退切换】   -   UI极速版"
                         : "切换下载引擎【闪退切换】   -   UI兼容版");
}

TrayWindow::TrayWindow(AppState& state, platform::UiBackend& ui, TrayRoutines routines, Bytes icon)
    : state_(state),
      ui_(ui),
      routines_(std::move(routines)),
      icon_(std::move(icon)),
      menu_(MenuEntries()) {
  platform::WindowDef def;
  def.name = "TrayWindow";
  def.title = Gbk("青梧AI多线程下载");
  window_ = std::make_unique<platform::Window>(std::move(def));
  window_->OnCreate([this](platform::Window&) { Create(); });
}

TrayWindow::~TrayWindow() {
  window_->Destroy();
  ui_.StopTimer(clipboardTimer_);
  ui_.StopTimer(refreshTimer_);
  ui_.StopTimer(onlineTimer_);
}

void TrayWindow::Load() {
  // The timers run from the moment the window is loaded, before its creation handler ends.
  SetClipboardPeriod(kClipboardMs);
  refreshTimer_ = ui_.StartTimer(kRefreshMs, [this] {
    if (routines_.refreshTick) routines_.refreshTick();
  });
  onlineTimer_ = ui_.StartTimer(kOnlineMs, [this] {
    if (routines_.refreshOnlineCount) routines_.refreshOnlineCount();
  });
  ui_.LoadHidden(*window_);
}

void TrayWindow::Create() {
  SingleInstanceGuard(Gbk("青梧Brisklet"), false, std::nullopt, platform::MessageButtons::Ok,
                      false);
  if (routines_.fetchAnnouncement) std::thread(routines_.fetchAnnouncement).detach();
  RegisterAutostart();
  if (routines_.refreshOnlineCount) routines_.refreshOnlineCount();
  if (routines_.checkVersion) routines_.checkVersion();
  // No tray host is not an error: the program runs on.
  (void)ui_.ShowTrayIcon(icon_, Gbk("青梧AI多线程下载"),
                         [this](platform::TrayEvent event) { OnTrayEvent(event); });
  state_.engine = ReadEngineSetting();
  menu_.SetCaption(tray_menu::kEngine, EngineCaption(state_.engine));
}

void TrayWindow::OnTrayEvent(platform::TrayEvent event) {
  switch (event) {
    case platform::TrayEvent::LeftClick:
      if (routines_.openParserWindow) routines_.openParserWindow();
      break;
    case platform::TrayEvent::RightClick:
      RunCommand(ui_.PopupMenu(menu_));
      break;
    case platform::TrayEvent::DoubleClick:
      break;
  }
}

void TrayWindow::RunCommand(std::size_t position) {
  if (!menu_.Enabled(position)) return;
  switch (position) {
    case tray_menu::kMagnetSearch:
    case tray_menu::kVideoParsing:
    case tray_menu::kCloudSearch:
      if (routines_.search) routines_.search(position);
      break;
    case tray_menu::kSettings:
      OpenSettingsWindow(state_);
      break;
    case tray_menu::kManualLink:
      ManualLinkInput();
      break;
    case tray_menu::kDetection:
      ToggleDetection();
      break;
    case tray_menu::kEngine:
      SwitchEngine();
      break;
    case tray_menu::kExit:
      if (routines_.exitProgram)
        routines_.exitProgram();
      else
        ExitProgram();
      break;
    default:
      break;
  }
}

void TrayWindow::SetClipboardPeriod(int ms) {
  ui_.StopTimer(clipboardTimer_);
  clipboardTimer_ = 0;
  if (ms > 0) clipboardTimer_ = ui_.StartTimer(ms, [this] { intake::ClipboardWatcher(state_); });
}

void TrayWindow::ManualLinkInput() {
  SetClipboardPeriod(0);
  if (routines_.openParserWindow) routines_.openParserWindow();
  ui_.SetClipboardText("");
  SetClipboardPeriod(kClipboardMs);
}

// The caption is the record of the detection state.
void TrayWindow::ToggleDetection() {
  if (menu_.Caption(tray_menu::kDetection) != DetectionOnCaption()) {
    menu_.SetCaption(tray_menu::kDetection, DetectionOnCaption());
    SetClipboardPeriod(kClipboardMs);
  } else {
    SetClipboardPeriod(0);
    menu_.SetCaption(tray_menu::kDetection, Gbk("开启检测剪辑版"));
  }
}

void TrayWindow::SwitchEngine() {
  state_.engine = state_.engine == 0 ? 1 : 0;
  menu_.SetCaption(tray_menu::kEngine, EngineCaption(state_.engine));
  WriteSetting(Gbk("下载器引擎"), std::to_string(state_.engine.load()));
}

}  // namespace brisklet::app
