#pragma once
// The desktop backend of the real program, over Qt 6 Widgets. Qt's headers stay inside
// platform/qt: this header shows only the UiBackend.
//
// Construct it on the thread that is to be the user-interface thread, before any window
// opens, and install it with InstallUiBackend. It makes the QApplication when none exists
// (the platform plugin follows QT_QPA_PLATFORM: xcb on a desktop, offscreen in tests). That
// thread's MessageQueue is then dispatched by Qt's event loop, and a PumpWait on it keeps Qt
// painting and delivering input.
//
// A window loaded with LoadHidden must be destroyed (Window::Destroy, or freeing it) before
// the backend ends, or it stays with the backend until then.
#include <memory>

#include "platform/ui/ui_backend.h"

namespace brisklet::platform {

class QtBackend : public UiBackend {
 public:
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

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

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brisklet::platform
