#pragma once
// The two download windows: engine 0's DownloadWindow and engine 1's CompatDownloadWindow,
// each made with its controls and handlers, ready for OpenWindowModal. They take their
// address from AppState::downloadAddress.
//
// Engine 0's job runs inside the start button's handler and ends with the window. Engine 1's
// transfer runs on its own threads; closing its window stops it, and the window object waits
// for its threads when it is destroyed, so no thread outlives the window it reports to.
#include <memory>

#include "app/app_state.h"
#include "download/download_options.h"
#include "platform/ui/window.h"

namespace brisklet::download {

platform::WindowDef DownloadWindowDef();
platform::WindowDef CompatDownloadWindowDef();

// `state` must be AppState::Instance() for engine 0 (its pool tasks read the job state there).
std::unique_ptr<platform::Window> MakeDownloadWindow(app::AppState& state);
std::unique_ptr<platform::Window> MakeCompatDownloadWindow(app::AppState& state);
std::unique_ptr<platform::Window> MakeDownloadWindow(app::AppState& state, DownloadOptions options);
std::unique_ptr<platform::Window> MakeCompatDownloadWindow(app::AppState& state,
                                                           DownloadOptions options);

}  // namespace brisklet::download
