#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/start_program.h"

namespace brisklet::app {

void Shutdown() {
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return;
  AppState& state = AppState::Instance();
  state.SetAnnouncementText({});
  state.linkText.clear();
  state.downloadAddress.clear();
  state.workerPool.StopAll(true);
  state.jobUrl.clear();
  state.partFolder.clear();
}

void ExitProgram() {
  Shutdown();
  std::fflush(nullptr);
  // No destructors of static objects: pool tasks that were abandoned may still be running and
  // reading AppState, and the desktop backend may be inside its own event handler.
  std::_Exit(0);
}

}  // namespace brisklet::app
