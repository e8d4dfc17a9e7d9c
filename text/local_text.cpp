#include "text/local_text.h"

#include "platform/codepage.h"

namespace brisklet::text {
namespace {

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::string Utf8ToLocal(std::string_view utf8) { return platform::Utf8ToGbk(utf8); }

std::string LocalToUtf8(std::string_view local) { return platform::GbkToUtf8(local); }

std::string FromControlText(const Bytes& utf16le) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(utf16le[i] | (utf16le[i + 1] << 8));
    if (unit == 0) break;
    wide.push_back(unit);
  }
  return platform::Utf16ToGbk(wide);
}

Bytes ToControlText(std::string_view local) {
  const std::u16string wide = platform::GbkToUtf16(UpToZero(local));
  Bytes out;
  out.reserve(wide.size() * 2 + 4);
  for (char16_t unit : wide) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.insert(out.end(), 4, 0);  // the terminator and the two spare zero bytes
  return out;
}

}  // namespace brisklet::text
