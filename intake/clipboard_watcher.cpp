#include "intake/clipboard_watcher.h"

#include "intake/dispatch_link.h"
#include "platform/ui/ui_backend.h"

namespace brisklet::intake {

void ClipboardWatcher(app::AppState& state) {
  if (state.handOffOpen) return;
  std::string text = platform::CurrentUiBackend().ClipboardText();
  // The text format ends at its first zero byte.
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  state.linkText = std::move(text);
  DispatchLink(state);
}

}  // namespace brisklet::intake
