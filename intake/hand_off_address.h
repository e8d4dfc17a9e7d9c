#pragma once
// HandOffAddress: the one way a download starts. User-interface thread.
#include <string>

#include "app/app_state.h"

namespace brisklet::intake {

// Hands off the whole of linkText; a direct link is not validated in any way.
void AcceptDirectLink(app::AppState& state);

// Empties the clipboard, writes the address to 下载地址, stores it in downloadAddress and opens
// the download window of the chosen engine; returns when that window has closed.
void HandOffAddress(app::AppState& state, const std::string& address);

// Engine 0: the DownloadWindow, engine 1: the CompatDownloadWindow, modally; any other value
// opens nothing. handOffOpen is set while the window is open.
void OpenDownloadWindow(app::AppState& state);

}  // namespace brisklet::intake
