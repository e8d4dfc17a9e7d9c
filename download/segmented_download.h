#pragma once
// SegmentedDownload: engine 0's job, run on the DownloadWindow's thread inside the start
// button's handler. Probe, size, segment plan, file name, part folder, submission, wait,
// merge, finish; the window closes when it ends, whatever the outcome.
#include <string>

#include "app/app_state.h"
#include "download/download_options.h"
#include "platform/ui/window.h"

namespace brisklet::download {

// Appends "/" when the path does not end in one and creates the folder with every missing
// parent; true when it exists afterwards.
bool EnsureFolder(std::string& folder);

// `state` must be AppState::Instance(): the pool's tasks find their job state there.
DownloadOutcome SegmentedDownload(app::AppState& state, platform::Window& window,
                                  const DownloadOptions& options);

}  // namespace brisklet::download
