#include "platform/ini_file.h"

#include <mutex>

#include "platform/native_path.h"
#include "platform/whole_file.h"

namespace brisklet::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsGbkLead(IniCharset charset, char c) {
  const auto byte = static_cast<unsigned char>(c);
  return charset == IniCharset::Gbk && byte >= 0x81 && byte <= 0xFE;
}

// The first `c` (an ASCII character) that stands as a character of its own.
std::size_t FindChar(std::string_view s, char c, IniCharset charset) {
  for (std::size_t i = 0; i < s.size(); i += IsGbkLead(charset, s[i]) ? 2 : 1) {
    if (s[i] == c) return i;
  }
  return std::string_view::npos;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b, IniCharset charset) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsGbkLead(charset, a[i])) {
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsCommentLine(std::string_view line, IniCharset charset) {
  line = Trim(line);
  return charset == IniCharset::Utf8 && !line.empty() && (line[0] == ';' || line[0] == '#');
}

// The name of a section header line, or nullopt when the line is not one.
std::optional<std::string_view> SectionName(std::string_view line, IniCharset charset) {
  line = Trim(line);
  if (line.empty() || line[0] != '[') return std::nullopt;
  const std::size_t close = FindChar(line, ']', charset);
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line, IniCharset charset) {
  if (IsCommentLine(line, charset) || SectionName(line, charset)) return std::nullopt;
  const std::size_t equals = FindChar(line, '=', charset);
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, equals)), line.substr(equals + 1)};
}

std::string_view CutInlineComment(std::string_view value) {
  for (std::size_t i = 1; i < value.size(); ++i) {
    if ((value[i] == ';' || value[i] == '#') && IsBlank(value[i - 1])) return value.substr(0, i);
  }
  return value;
}

std::string CleanValue(std::string_view raw, IniCharset charset) {
  if (charset == IniCharset::Utf8) raw = CutInlineComment(raw);
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string OneLine(std::string_view value) {
  std::string line(value);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

IniText::IniText(std::string_view content, IniCharset charset) : charset_(charset) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (charset == IniCharset::Utf8 && content.substr(0, 3) == kByteOrderMark) {
    content.remove_prefix(kByteOrderMark.size());
  }
  const std::size_t firstBreak = content.find('\n');
  if (firstBreak != std::string_view::npos && firstBreak > 0 && content[firstBreak - 1] == '\r') {
    newline_ = "\r\n";
  }
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
  }
}

std::optional<std::size_t> IniText::FindSection(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i], charset_);
    if (name && SameName(*name, wanted, charset_)) return i;
  }
  return std::nullopt;
}

std::size_t IniText::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !SectionName(lines_[i], charset_)) ++i;
  return i;
}

std::optional<std::size_t> IniText::FindKey(std::size_t header, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const auto line = ParseKeyLine(lines_[i], charset_);
    if (line && SameName(line->key, wanted, charset_)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto at = FindKey(*header, key);
  if (!at) return std::nullopt;
  return CleanValue(ParseKeyLine(lines_[*at], charset_)->value, charset_);
}

std::vector<std::string> IniText::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto header = FindSection(section);
  if (!header) return keys;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i) {
    const auto line = ParseKeyLine(lines_[i], charset_);
    if (line) keys.emplace_back(line->key);
  }
  return keys;
}

bool IniText::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || HasLineBreak(section) ||
      FindChar(section, ']', charset_) != std::string_view::npos) {
    return false;
  }
  if (key.empty() || HasLineBreak(key) || key.front() == '[' ||
      FindChar(key, '=', charset_) != std::string_view::npos) {
    return false;
  }
  const auto header = FindSection(section);
  if (!header) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + OneLine(value));
    return true;
  }
  if (const auto at = FindKey(*header, key)) {
    const std::string fileKey(ParseKeyLine(lines_[*at], charset_)->key);
    lines_[*at] = fileKey + "=" + OneLine(value);
    return true;
  }
  // After the section's last non-empty line, so the blank line before the next section stays.
  std::size_t insert = SectionEnd(*header);
  while (insert > *header + 1 && Trim(lines_[insert - 1]).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert),
                std::string(key) + "=" + OneLine(value));
  return true;
}

std::string IniText::Content() const {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += newline_;
  }
  return out;
}

IniText ReadIniFile(const std::string& nativePath, IniCharset charset) {
  const auto content = ReadWholeFile(nativePath);
  return IniText(content ? std::string_view(*content) : std::string_view(), charset);
}

std::string ReadIniString(std::string_view gbkPath, std::string_view section,
                          std::string_view key, std::string_view defaultValue) {
  const IniText ini = ReadIniFile(ToNativePath(gbkPath), IniCharset::Gbk);
  if (auto value = ini.Value(section, key)) return *std::move(value);
  while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
  return std::string(defaultValue);
}

bool WriteIniString(std::string_view gbkPath, std::string_view section, std::string_view key,
                    std::string_view value) {
  const std::string path = ToNativePath(gbkPath);
  std::lock_guard<std::mutex> lock(WriteMutex());
  bool missing = false;
  const auto content = ReadWholeFile(path, &missing);
  if (!content && !missing) return false;  // never replace a file we could not read
  IniText ini(content ? std::string_view(*content) : std::string_view(), IniCharset::Gbk);
  return ini.SetValue(section, key, value) && WriteWholeFile(path, ini.Content());
}

}  // namespace brisklet::platform
