#include "platform/ui/menu.h"

namespace brisklet::platform {

Menu::Menu(std::vector<MenuEntry> entries) : entries_(std::move(entries)) {}

std::vector<MenuEntry> Menu::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::size_t Menu::Size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

std::string Menu::Caption(std::size_t position) const {
  std::lock_guard lock(mutex_);
  return position >= 1 && position <= entries_.size() ? entries_[position - 1].caption
                                                      : std::string();
}

void Menu::SetCaption(std::size_t position, std::string_view caption) {
  std::lock_guard lock(mutex_);
  if (position >= 1 && position <= entries_.size())
    entries_[position - 1].caption = std::string(caption);
}

bool Menu::Enabled(std::size_t position) const {
  std::lock_guard lock(mutex_);
  return position >= 1 && position <= entries_.size() && entries_[position - 1].enabled &&
         !entries_[position - 1].separator;
}

void Menu::SetEnabled(std::size_t position, bool enabled) {
  std::lock_guard lock(mutex_);
  if (position >= 1 && position <= entries_.size()) entries_[position - 1].enabled = enabled;
}

}  // namespace brisklet::platform
