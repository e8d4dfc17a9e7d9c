#pragma once
// TrayWindow: the hidden main window. It owns the tray icon, the 30-entry tray menu 托盘 and
// three timers (clipboard 1000 ms, refresh 15000 ms, online 3000 ms), and its creation handler
// is the second half of start-up. User-interface thread throughout, except the menu captions
// of the information lines, which other threads may write (platform::Menu is thread-safe).
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/bytes.h"
#include "platform/ui/menu.h"
#include "platform/ui/ui_backend.h"
#include "platform/ui/window.h"

namespace brisklet::app {

// Positions in the tray menu, numbered from the top.
namespace tray_menu {
constexpr std::size_t kMagnetSearch = 4;
constexpr std::size_t kVideoParsing = 6;
constexpr std::size_t kCloudSearch = 8;
constexpr std::size_t kVersion = 11;
constexpr std::size_t kSettings = 14;
constexpr std::size_t kManualLink = 16;
constexpr std::size_t kDetection = 18;
constexpr std::size_t kEngine = 20;
constexpr std::size_t kOnlineCount = 24;
constexpr std::size_t kAnnouncement = 26;
constexpr std::size_t kExit = 30;
}  // namespace tray_menu

// Routines of the outside services and the parser window, filled in by the parts that build
// them. An empty routine is a step skipped.
struct TrayRoutines {
  std::function<void()> fetchAnnouncement;   // start-up, on a thread of its own
  std::function<void()> refreshOnlineCount;  // start-up once, then every online tick
  std::function<void()> checkVersion;        // start-up, may end the program
  std::function<void()> refreshTick;         // every refresh tick
  std::function<void()> openParserWindow;    // modal; tray left click and "手动输入链接"
  std::function<void(std::size_t position)> search;  // the three search entries
  std::function<void()> exitProgram;                 // "退出"; empty = ExitProgram
};

class TrayWindow {
 public:
  static constexpr int kClipboardMs = 1000;
  static constexpr int kRefreshMs = 15000;
  static constexpr int kOnlineMs = 3000;

  // `icon`: the tray icon's PNG bytes.
  TrayWindow(AppState& state, platform::UiBackend& ui, TrayRoutines routines = {}, Bytes icon = {});
  ~TrayWindow();
  TrayWindow(const TrayWindow&) = delete;
  TrayWindow& operator=(const TrayWindow&) = delete;

  // Starts the timers, then loads the hidden window, whose creation handler runs the
  // single-instance guard, autostart, the start-up services, the tray icon and the engine
  // choice, in that order.
  void Load();

  platform::Menu& Menu() { return menu_; }
  platform::Window& Window() { return *window_; }

  void OnTrayEvent(platform::TrayEvent event);
  // Runs the command of a menu entry; disabled entries and separators run nothing.
  void RunCommand(std::size_t position);
  bool ClipboardTimerRunning() const { return clipboardTimer_ != 0; }

  // The menu as loaded, before start-up sets the engine caption.
  static std::vector<platform::MenuEntry> MenuEntries();
  static std::string EngineCaption(int engine);

 private:
  void Create();
  // 0 stops the timer; a positive period (re)starts it.
  void SetClipboardPeriod(int ms);
  void ManualLinkInput();
  void ToggleDetection();
  void SwitchEngine();

  AppState& state_;
  platform::UiBackend& ui_;
  TrayRoutines routines_;
  Bytes icon_;
  platform::Menu menu_;
  std::unique_ptr<platform::Window> window_;
  int clipboardTimer_ = 0;
  int refreshTimer_ = 0;
  int onlineTimer_ = 0;
};

}  // namespace brisklet::app
