#pragma once
// The desktop the system runs on: the Qt backend for the real program, the headless backend
// for tests and for the terminal front end. One backend is installed per process, by the front
// end (or a test) before any window opens; without one, the headless backend serves.
//
// Every call below is made on the user-interface thread unless it says otherwise. Texts are
// GBK; the backend converts. The tray icon, menus, message boxes, the input box and the
// clipboard may also be used from another thread, which then waits while the call runs on the
// user-interface thread (a version check on its own thread shows its messages so).
#include <functional>
#include <optional>
#include <string>

#include "platform/bytes.h"
#include "platform/ui/menu.h"
#include "platform/ui/window.h"

namespace brisklet::platform {

enum class TrayEvent { LeftClick, RightClick, DoubleClick };

// Message-box buttons and answers, with the values of the Windows calls they stand for.
enum class MessageButtons { Ok = 0, YesNo = 4 };
enum class MessageAnswer { Ok = 1, Yes = 6, No = 7 };

class UiBackend {
 public:
  virtual ~UiBackend() = default;

  // Calling thread becomes the window's thread. Fires the create event, shows the window as a
  // dialog and returns once it is destroyed; other windows' timers keep running meanwhile.
  virtual void RunModal(Window& window) = 0;
  // Loads a window that is never shown (the tray window): binds it to the calling thread,
  // fires its create event and returns.
  virtual void LoadHidden(Window& window) = 0;
  // Runs the user-interface thread's event loop until Quit; returns Quit's code.
  virtual int RunEventLoop() = 0;
  virtual void Quit(int code) = 0;

  // A repeating timer of the user-interface thread, also ticking while a modal window runs.
  // Returns an id above 0. StopTimer of an unknown id does nothing.
  virtual int StartTimer(int periodMs, std::function<void()> tick) = 0;
  virtual void StopTimer(int id) = 0;

  // The tray icon (a PNG image) with its tooltip; false when no tray is available.
  virtual bool ShowTrayIcon(const Bytes& png, const std::string& tooltip,
                            std::function<void(TrayEvent)> onEvent) = 0;
  // Shows the menu at the mouse position and returns the 1-based position of the chosen
  // entry, or 0 when none was chosen. Separators and disabled entries cannot be chosen.
  virtual std::size_t PopupMenu(const Menu& menu) = 0;

  // Task-modal, no icon.
  virtual MessageAnswer MessageBox(const std::string& text, const std::string& caption,
                                   MessageButtons buttons) = 0;
  // The typed text, or nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& initial) = 0;

  // The clipboard's text as the ANSI text format gives it (GBK); empty when none.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;

  // Opens an address in the default browser. Any thread.
  virtual void OpenUrl(const std::string& url) = 0;
  // Starts playing a WAVE clip held in memory and returns at once; silent where no audio
  // device exists. Any thread.
  virtual void PlayWave(const Bytes& clip) = 0;
};

void InstallUiBackend(UiBackend* backend);
UiBackend& CurrentUiBackend();

// OpenWindowModal of the system: CurrentUiBackend().RunModal(window).
void OpenWindowModal(Window& window);

}  // namespace brisklet::platform
