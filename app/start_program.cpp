#include "app/start_program.h"

#include <cstdlib>

#include "app/app_state.h"
#include "app/config.h"
#include "app/tray_window.h"
#include "platform/ui/ui_backend.h"
#include "resources/tray_icon.h"

namespace brisklet::app {
namespace {

void ShutdownAtExit() { Shutdown(); }

}  // namespace

int StartProgram(int, char**) {
  AppState& state = AppState::Instance();
  state.config = LoadConfig();
  std::atexit(ShutdownAtExit);
  // The announcement, version check and online count come with the outside services; until
  // then their start-up steps and timer ticks are skipped.
  TrayWindow tray(state, platform::CurrentUiBackend(), {}, resources::TrayIconPng());
  tray.Load();
  return platform::CurrentUiBackend().RunEventLoop();
}

}  // namespace brisklet::app
