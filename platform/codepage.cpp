#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <optional>

namespace brisklet::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One iconv conversion descriptor per direction and thread: iconv_t is not thread-safe.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Decodes with an iconv descriptor towards UTF-32LE; invalid or truncated sequences become
// U+FFFD, one byte at a time.
std::u32string DecodeWith(Iconv& cv, std::string_view in) {
  std::u32string out;
  if (!cv.ok() || in.empty()) return out;
  iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
  out.reserve(in.size());
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char32_t buf[256];
  while (left > 0) {
    char* dst = reinterpret_cast<char*>(buf);
    size_t room = sizeof(buf);
    size_t r = iconv(cv.get(), &src, &left, &dst, &room);
    size_t got = (sizeof(buf) - room) / sizeof(char32_t);
    out.append(buf, got);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: an invalid or truncated sequence; skip one byte.
      out.push_back(kReplacement);
      ++src;
      --left;
      iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::u32string DecodeGbk(std::string_view in) {
  thread_local Iconv cv("UTF-32LE", "CP936");
  return DecodeWith(cv, in);
}

// Names a page may declare: letters, digits, "-", "_", ".", ":" (no "//" options of iconv).
bool IsCharsetName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.' || c == ':';
    if (!ok) return false;
  }
  return true;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string EncodeGbk(std::u32string_view in) {
  thread_local Iconv cv("CP936", "UTF-32LE");
  std::string out;
  if (!cv.ok()) return out;
  out.reserve(in.size() * 2);
  for (char32_t c : in) {
    if (c < 0x80) {  // ASCII is itself in GBK; most texts are mostly ASCII
      out.push_back(static_cast<char>(c));
      continue;
    }
    char32_t one = c;
    char* src = reinterpret_cast<char*>(&one);
    size_t left = sizeof(one);
    char buf[8];
    char* dst = buf;
    size_t room = sizeof(buf);
    iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(cv.get(), &src, &left, &dst, &room) == static_cast<size_t>(-1)) {
      out.push_back('?');  // the default character of the Windows conversion
      continue;
    }
    out.append(buf, dst - buf);
  }
  return out;
}

std::u32string DecodeUtf8(std::string_view in) {
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  std::u32string out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra == 0) {
      out.push_back(b);
      ++i;
      continue;
    }
    bool valid = extra > 0 && i + static_cast<size_t>(extra) < in.size();
    char32_t c = valid ? (b & (0x3F >> extra)) : 0;
    for (int k = 1; valid && k <= extra; ++k) {
      unsigned char cb = static_cast<unsigned char>(in[i + k]);
      valid = (cb & 0xC0) == 0x80;
      c = (c << 6) | (cb & 0x3F);
    }
    if (!valid || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(kReplacement);  // skip one byte and resynchronise
      ++i;
      continue;
    }
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view in) {
  std::string out;
  out.reserve(in.size());
  for (char32_t c : in) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u32string DecodeUtf16(std::u16string_view in) {
  std::u32string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char16_t u = in[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((char32_t(u) - 0xD800) << 10) + (in[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back(kReplacement);
    } else {
      out.push_back(u);
    }
  }
  return out;
}

std::u16string EncodeUtf16(std::u32string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (char32_t c : in) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> CharsetToGbk(std::string_view bytes, std::string_view charset) {
  if (!IsCharsetName(charset)) return std::nullopt;
  // "unicode" is what Windows calls UTF-16LE.
  const std::string name = SameAscii(charset, "unicode") ? "UTF-16LE" : std::string(charset);
  Iconv cv("UTF-32LE", name.c_str());
  if (!cv.ok()) return std::nullopt;
  return EncodeGbk(DecodeWith(cv, bytes));
}

std::string GbkToUtf8(std::string_view gbk) { return EncodeUtf8(DecodeGbk(gbk)); }
std::string Utf8ToGbk(std::string_view utf8) { return EncodeGbk(DecodeUtf8(utf8)); }
std::u16string GbkToUtf16(std::string_view gbk) { return EncodeUtf16(DecodeGbk(gbk)); }
std::string Utf16ToGbk(std::u16string_view utf16) { return EncodeGbk(DecodeUtf16(utf16)); }
std::u16string Utf8ToUtf16(std::string_view utf8) { return EncodeUtf16(DecodeUtf8(utf8)); }
std::string Utf16ToUtf8(std::u16string_view utf16) { return EncodeUtf8(DecodeUtf16(utf16)); }

}  // namespace brisklet::platform
