#pragma once
// The two download windows: engine 0's DownloadWindow and engine 1's CompatDownloadWindow,
// each made with its controls and handlers, ready for OpenWindowModal. They take their
// address from AppState::downloadAddress.
#include <memory>

#include "app/app_state.h"
#include "platform/ui/window.h"

namespace brisklet::download {

platform::WindowDef DownloadWindowDef();
platform::WindowDef CompatDownloadWindowDef();

std::unique_ptr<platform::Window> MakeDownloadWindow(app::AppState& state);
std::unique_ptr<platform::Window> MakeCompatDownloadWindow(app::AppState& state);

}  // namespace brisklet::download
