#include "platform/ui/ui_backend.h"

#include <atomic>

#include "platform/ui/headless_backend.h"

namespace brisklet::platform {
namespace {
std::atomic<UiBackend*> installed{nullptr};
}

void InstallUiBackend(UiBackend* backend) { installed.store(backend); }

UiBackend& CurrentUiBackend() {
  static HeadlessBackend fallback;
  UiBackend* b = installed.load();
  return b ? *b : fallback;
}

void OpenWindowModal(Window& window) { CurrentUiBackend().RunModal(window); }

}  // namespace brisklet::platform
