#pragma once
// The backend without a display: windows live only as their control state. Modal windows run
// a loop over the thread's message queue until destroyed. Tests script a window from the
// moment it is shown (OnShow), and may inspect what was played.
#include <functional>
#include <mutex>
#include <vector>

#include "platform/ui/ui_backend.h"

namespace brisklet::platform {

class HeadlessBackend : public UiBackend {
 public:
  void RunModal(Window& window) override;
  void PlayWave(const Bytes& clip) override;

  // Called on the window's thread right after its create event, for every window opened.
  void OnShow(std::function<void(Window&)> hook);
  int SoundsPlayed() const;

 private:
  mutable std::mutex mutex_;
  std::function<void(Window&)> onShow_;
  int soundsPlayed_ = 0;
};

}  // namespace brisklet::platform
