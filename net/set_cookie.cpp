#include "net/set_cookie.h"

#include <algorithm>

#include "net/text_ops.h"

namespace brisklet::net {

std::vector<std::string> ScanSetCookieEntries(std::string_view headers) {
  constexpr std::string_view kName = "Set-Cookie:";
  std::vector<std::string> entries;
  std::size_t from = 0;
  for (;;) {
    std::size_t at = FindIgnoreCase(headers, kName, from);
    if (at == kNotFound) break;
    std::size_t start = at + kName.size();
    std::size_t lineEnd = Find(headers, "\r\n", start);
    if (lineEnd == kNotFound) break;
    std::size_t end = std::min(lineEnd, Find(headers, ";", start));
    entries.emplace_back(TrimLeadingBlanks(headers.substr(start, end - start)));
    from = end;
  }
  return entries;
}

bool IsDeletionMarker(std::string_view entry) {
  if (entry.size() < 8) return false;
  std::string_view tail = entry.substr(entry.size() - 8);
  return tail == "=deleted" || tail == "=DELETED" || tail == "=Deleted";
}

std::string_view EntryName(std::string_view entry) {
  std::size_t equals = entry.find('=');
  return equals == std::string_view::npos ? std::string_view() : entry.substr(0, equals);
}

std::string_view EntryValue(std::string_view entry) {
  std::size_t equals = entry.find('=');
  return equals == std::string_view::npos ? std::string_view() : entry.substr(equals + 1);
}

}  // namespace brisklet::net
