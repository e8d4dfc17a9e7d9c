#pragma once
// The desktop the system runs on: the Qt backend for the real program, the headless backend
// for tests and for the terminal front end. One backend is installed per process, by the front
// end (or a test) before any window opens; without one, the headless backend serves.
#include <functional>
#include <string>

#include "platform/bytes.h"
#include "platform/ui/window.h"

namespace brisklet::platform {

class UiBackend {
 public:
  virtual ~UiBackend() = default;

  // Calling thread becomes the window's thread. Fires the create event, shows the window as a
  // dialog and returns once it is destroyed; other windows' timers keep running meanwhile.
  virtual void RunModal(Window& window) = 0;

  // Starts playing a WAVE clip held in memory and returns at once; silent where no audio
  // device exists.
  virtual void PlayWave(const Bytes& clip) = 0;
};

void InstallUiBackend(UiBackend* backend);
UiBackend& CurrentUiBackend();

// OpenWindowModal of the system: CurrentUiBackend().RunModal(window).
void OpenWindowModal(Window& window);

}  // namespace brisklet::platform
