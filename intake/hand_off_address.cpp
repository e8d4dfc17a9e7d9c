#include "intake/hand_off_address.h"

#include <memory>

#include "app/settings_file.h"
#include "download/download_windows.h"
#include "platform/codepage.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::intake {

void AcceptDirectLink(app::AppState& state) { HandOffAddress(state, state.linkText); }

void HandOffAddress(app::AppState& state, const std::string& address) {
  // Emptied first, so the next tick does not take the same text again.
  platform::CurrentUiBackend().SetClipboardText("");
  app::WriteSetting(platform::Gbk("下载地址"), address);
  state.downloadAddress = address;
  OpenDownloadWindow(state);
}

void OpenDownloadWindow(app::AppState& state) {
  std::unique_ptr<platform::Window> window;
  if (state.engine == 0) window = download::MakeDownloadWindow(state);
  if (state.engine == 1) window = download::MakeCompatDownloadWindow(state);
  if (!window) return;
  bool wasOpen = state.handOffOpen;
  state.handOffOpen = true;
  platform::OpenWindowModal(*window);
  state.handOffOpen = wasOpen;
}

}  // namespace brisklet::intake
