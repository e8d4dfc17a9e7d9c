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
  // Then the destructors of static objects run, AppState's worker pool among them, which
  // never waits for its tasks.
  std::exit(0);
}

}  // namespace brisklet::app
