#include "platform/http/charset.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/codepage.h"

namespace brisklet::platform::http {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// iconv from `charset` to UTF-8, skipping what cannot be read (each bad byte becomes U+FFFD).
std::optional<std::string> ToUtf8(const Bytes& bytes, const std::string& charset) {
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  auto* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data()));
  std::size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr);
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (cut off at the end): one byte is unreadable.
    out.append("\xEF\xBF\xBD");
    ++in;
    --inLeft;
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::optional<std::string> CharsetToGbk(const Bytes& bytes, std::string_view charset) {
  std::string name = Lower(charset);
  if (name.empty()) return std::nullopt;
  if (name == "gbk" || name == "gb2312" || name == "cp936" || name == "x-gbk")
    return std::string(bytes.begin(), bytes.end());
  if (name == "utf8") name = "utf-8";
  auto utf8 = ToUtf8(bytes, name);
  if (!utf8) return std::nullopt;
  std::string_view text = *utf8;
  // A UTF-8 byte order mark is not part of the text.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return Utf8ToGbk(text);
}

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
