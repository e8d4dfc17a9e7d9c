#pragma once
// The settings window: the number of download threads.
#include "app/app_state.h"

namespace brisklet::app {

// Opens the SettingsWindow with OpenWindowModal and returns when it has closed.
void OpenSettingsWindow(AppState& state);

}  // namespace brisklet::app
