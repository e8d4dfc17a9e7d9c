#pragma once
// Comparison that folds ASCII letters only, the way header names, cookie names and method names
// are compared. Independent of the C locale (Qt sets one), and never folds a byte of 0x80 or
// above, so a GBK second byte is compared exactly.
#include <string_view>

namespace brisklet::platform {

inline char FoldAsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAsciiLower(a[i]) != FoldAsciiLower(b[i])) return false;
  return true;
}

}  // namespace brisklet::platform
