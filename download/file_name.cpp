#include "download/file_name.h"

#include "platform/codepage.h"

namespace brisklet::download {
namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

int HexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Byte offsets at which characters start.
template <typename F>
void ForEachChar(std::string_view text, F&& f) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    f(i, n);
    i += n;
  }
}

// Longest name in GBK bytes: 160 GBK bytes become at most 240 UTF-8 bytes, leaving room
// under the 255-byte limit of Linux file names for the suffix of a temporary name.
constexpr std::size_t kMaxNameBytes = 160;

}  // namespace

const char* const kFallbackFileNameUtf8 = "下载文件";

std::string FileNameOfPath(std::string_view path, bool keepExtension) {
  std::size_t componentStart = 0;
  ForEachChar(path, [&](std::size_t at, std::size_t n) {
    if (n == 1 && (path[at] == '/' || path[at] == '\\')) componentStart = at + 1;
  });
  std::string name(path.substr(componentStart));
  if (!keepExtension) {
    std::size_t dot = std::string::npos;
    ForEachChar(name, [&](std::size_t at, std::size_t n) {
      if (n == 1 && name[at] == '.') dot = at;
    });
    if (dot != std::string::npos) name.resize(dot);
  }
  return name;
}

Bytes PercentDecode(const Bytes& source) {
  Bytes out;
  out.reserve(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    std::uint8_t c = source[i];
    if (c == '%' && i + 2 < source.size() && HexValue(source[i + 1]) >= 0 &&
        HexValue(source[i + 2]) >= 0) {
      out.push_back(
          static_cast<std::uint8_t>(HexValue(source[i + 1]) * 16 + HexValue(source[i + 2])));
      i += 2;
    } else if (c == '+') {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string DecodeFileName(std::string_view name) {
  if (name.empty()) return std::string(name);
  std::string gbk = platform::Utf8ToGbk(ToText(PercentDecode(ToBytes(name))));
  return gbk.substr(0, gbk.find('\0'));
}

std::string JobFileName(std::string_view contentDisposition, std::string_view url) {
  std::string name;
  if (!contentDisposition.empty()) {
    std::size_t at = contentDisposition.find("filename=");
    if (at != std::string_view::npos) name = contentDisposition.substr(at + 9);
    if (!name.empty() && name.front() == '"') name.erase(0, 1);
    if (!name.empty() && name.back() == '"') name.pop_back();
  } else {
    name = FileNameOfPath(url, true);
    name = name.substr(0, name.find('?'));
  }
  return name.empty() ? name : DecodeFileName(name);
}

std::string SafeFileName(std::string_view name) {
  std::string safe;
  bool onlyDotsAndSpaces = true;
  ForEachChar(name, [&](std::size_t at, std::size_t n) {
    std::string_view ch = name.substr(at, n);
    auto c = static_cast<unsigned char>(ch[0]);
    if (n == 1 && (c == '/' || c == '\\' || c < 0x20 || c == 0x7F)) ch = "_";
    if (n == 2 || (ch[0] != '.' && ch[0] != ' ')) onlyDotsAndSpaces = false;
    safe += ch;
  });
  if (safe.empty() || onlyDotsAndSpaces) return platform::Gbk(kFallbackFileNameUtf8);
  if (safe.size() > kMaxNameBytes) {
    std::string ext = FileNameOfPath(safe, true).substr(FileNameOfPath(safe, false).size());
    if (ext.size() > 16) ext.clear();
    std::string head;
    ForEachChar(safe, [&](std::size_t at, std::size_t n) {
      if (head.size() + n + ext.size() <= kMaxNameBytes && head.size() == at)
        head += safe.substr(at, n);
    });
    safe = head + ext;
  }
  return safe;
}

}  // namespace brisklet::download
