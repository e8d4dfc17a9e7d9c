#include "platform/http/charset.h"

#include <algorithm>
#include <cctype>

namespace brisklet::platform::http {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string CharsetOfContentType(std::string_view contentType) {
  std::string lower = Lower(contentType);
  auto at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::size_t start = at + 8;
  std::size_t end = start;
  while (end < lower.size() && lower[end] != ';' && lower[end] != ' ') ++end;
  std::string value(contentType.substr(start, end - start));
  value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
  return value;
}

}  // namespace brisklet::platform::http
