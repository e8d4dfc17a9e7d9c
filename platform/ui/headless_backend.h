#pragma once
// The backend without a display: windows live only as their control state, the clipboard is
// a text in memory, and what a person would answer (a menu choice, a message box) comes from
// hooks a test sets. Modal windows and the event loop run the thread's message queue and the
// timers; tests script a window from the moment it is shown (OnShow).
//
// The terminal front end uses it too: there nobody answers, so menus choose nothing, message
// boxes answer OK/No and the input box is cancelled.
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui_backend.h"

namespace brisklet::platform {

class HeadlessBackend : public UiBackend {
 public:
  struct ShownMessage {
    std::string text, caption;
    MessageButtons buttons;
  };

  HeadlessBackend() = default;
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  void RunModal(Window& window) override;
  void LoadHidden(Window& window) override;
  int RunEventLoop() override;
  void Quit(int code) override;
  int StartTimer(int periodMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  bool ShowTrayIcon(const Bytes& png, const std::string& tooltip,
                    std::function<void(TrayEvent)> onEvent) override;
  std::size_t PopupMenu(const Menu& menu) override;
  MessageAnswer MessageBox(const std::string& text, const std::string& caption,
                           MessageButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& initial) override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;
  void OpenUrl(const std::string& url) override;
  void PlayWave(const Bytes& clip) override;

  // Script hooks (any thread).
  // Called on the window's thread right after its create event, for every modal window.
  void OnShow(std::function<void(Window&)> hook);
  void OnMenu(std::function<std::size_t(const Menu&)> chooser);
  void OnMessageBox(std::function<MessageAnswer(const ShownMessage&)> answer);
  void OnInputBox(std::function<std::optional<std::string>(const std::string& prompt)> answer);

  // What happened (any thread).
  int SoundsPlayed() const;
  std::vector<ShownMessage> Messages() const;
  std::vector<std::string> OpenedUrls() const;
  bool TrayShown() const;
  std::string TrayTooltip() const;
  // Fires a tray event as a click on the icon would (user-interface thread).
  void ClickTray(TrayEvent event);

  // Runs the thread's messages and due timers until `done` returns true or the time passes;
  // true when done. For tests that drive the user-interface thread themselves.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

 private:
  struct Timer {
    int periodMs;
    std::chrono::steady_clock::time_point due;
    std::function<void()> tick;
  };
  // A loaded window's timer controls, run as timers of this backend while the window lives.
  struct Attached {
    int listener = 0;
    std::map<std::string, int, std::less<>> timers;  // control → timer id
  };

  // One turn of the loop: wait for a message or the next timer (at most `limit`), then run
  // messages and due timers.
  void Turn(std::chrono::milliseconds limit);
  void AttachTimers(Window& window);
  void DetachTimers(Window& window);
  // With mutex_ held: (re)starts the control's timer with the window's current period.
  void RestartControlTimerLocked(Window& window, const std::string& control);
  int StartTimerLocked(int periodMs, std::function<void()> tick);

  mutable std::mutex mutex_;
  std::map<int, Timer> timers_;
  std::map<Window*, Attached> attached_;
  int nextTimer_ = 1;
  std::optional<int> quitCode_;
  std::string clipboard_;
  std::function<void(Window&)> onShow_;
  std::function<std::size_t(const Menu&)> onMenu_;
  std::function<MessageAnswer(const ShownMessage&)> onMessage_;
  std::function<std::optional<std::string>(const std::string&)> onInput_;
  std::function<void(TrayEvent)> trayHandler_;
  bool trayShown_ = false;
  std::string trayTooltip_;
  int soundsPlayed_ = 0;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> urls_;
};

}  // namespace brisklet::platform
