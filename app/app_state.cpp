#include "app/app_state.h"

namespace brisklet::app {

std::string AppState::AnnouncementText() const {
  std::lock_guard lock(announcementMutex_);
  return announcementText_;
}

void AppState::SetAnnouncementText(std::string text) {
  std::lock_guard lock(announcementMutex_);
  announcementText_ = std::move(text);
}

AppState& AppState::Instance() {
  // Built on first use, before the tray window is loaded; destroyed when the process ends.
  static AppState state;
  return state;
}

}  // namespace brisklet::app
