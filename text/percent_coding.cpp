#include "text/percent_coding.h"

#include "text/local_text.h"

namespace brisklet::text {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsKept(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.';
}

}  // namespace

std::string PercentDecodeText(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = (text[i] == '%' && i + 2 < text.size()) ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) {
      bytes.push_back(text[i]);
      continue;
    }
    const char decoded = static_cast<char>(high * 16 + low);
    if (decoded == '\0') break;
    bytes.push_back(decoded);
    i += 2;
  }
  return Utf8ToLocal(bytes);
}

std::string PercentEncodeText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string utf8 = LocalToUtf8(text);
  std::string out;
  out.reserve(utf8.size() * 3);
  for (unsigned char c : utf8) {
    if (IsKept(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

}  // namespace brisklet::text
