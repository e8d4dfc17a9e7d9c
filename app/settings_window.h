#pragma once
// The settings window: the number of download threads.
#include <memory>

#include "app/app_state.h"
#include "platform/ui/window.h"

namespace brisklet::app {

// 378 × 228, skinned: the thread count in 编辑框EX1, saved by 按钮EX2, closed unsaved by 按钮EX5.
platform::WindowDef SettingsWindowDef();
std::unique_ptr<platform::Window> MakeSettingsWindow(AppState& state);

// Opens the SettingsWindow with OpenWindowModal and returns when it has closed.
void OpenSettingsWindow(AppState& state);

}  // namespace brisklet::app
