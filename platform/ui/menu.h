#pragma once
// A pop-up menu as data: its entries, whose captions and enabled states may change from any
// thread (other threads write information lines into the tray menu) and are read when the
// menu is shown.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::platform {

struct MenuEntry {
  std::string caption;  // GBK; ignored for separators
  bool separator = false;
  bool enabled = true;
};

class Menu {
 public:
  Menu() = default;
  explicit Menu(std::vector<MenuEntry> entries);

  std::vector<MenuEntry> Entries() const;  // a snapshot
  std::size_t Size() const;
  // Positions are 1-based, as the entries are numbered from the top.
  std::string Caption(std::size_t position) const;
  void SetCaption(std::size_t position, std::string_view caption);
  bool Enabled(std::size_t position) const;
  void SetEnabled(std::size_t position, bool enabled);

 private:
  mutable std::mutex mutex_;
  std::vector<MenuEntry> entries_;
};

}  // namespace brisklet::platform
