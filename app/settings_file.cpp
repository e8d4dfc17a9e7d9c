#include "app/settings_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

#include "app/app_state.h"
#include "platform/codepage.h"

namespace brisklet::app {
namespace {

const std::string& Section() {
  static const std::string section = platform::Gbk("云服务器");
  return section;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Profile-file access with the behaviour of the Windows profile calls: GBK bytes, section and
// key matched ignoring ASCII case, a write keeps every other line, a missing file reads as
// empty.
struct Profile {
  std::vector<std::string> lines;

  static Profile Load(const std::filesystem::path& path) {
    Profile p;
    std::string_view text;
    std::string bytes = ReadFileBytes(path);
    text = bytes;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      p.lines.emplace_back(line);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return p;
  }

  static bool IsSection(std::string_view line, std::string_view* name) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    *name = TrimBlanks(line.substr(1, close - 1));
    return true;
  }

  // Index of the section header line, or lines.size().
  std::size_t FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string_view name;
      if (IsSection(lines[i], &name) && EqualIgnoringAsciiCase(name, section)) return i;
    }
    return lines.size();
  }

  // Index of the key's line inside the section starting at `header`, or the index after the
  // section's last line when absent; *found tells which.
  std::size_t FindKey(std::size_t header, std::string_view key, bool* found) const {
    std::size_t last = header;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
      std::string_view name;
      if (IsSection(lines[i], &name)) break;
      std::string_view line = lines[i];
      std::size_t eq = line.find('=');
      if (eq != std::string_view::npos && EqualIgnoringAsciiCase(TrimBlanks(line.substr(0, eq)), key)) {
        *found = true;
        return i;
      }
      if (!TrimBlanks(line).empty()) last = i;
    }
    *found = false;
    return last + 1;
  }

  std::string Text() const {
    std::string out;
    for (const auto& line : lines) out += line + "\r\n";
    return out;
  }
};

std::filesystem::path DiskPath() { return SettingsFolder() + "/Accounts.ini"; }

std::string OneLine(std::string_view value) {
  std::string out(value);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// Written beside the file and renamed over it, so a failed write leaves the old file whole.
bool ReplaceFile(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::path temp = path;
  temp += ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) std::filesystem::remove(temp, ec);
  return !ec;
}

}  // namespace

std::string SettingsFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/brisklet";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : "/tmp") + "/.config/brisklet";
}

std::string SettingsPath() { return platform::Utf8ToGbk(DiskPath().string()); }

std::string ReadSetting(std::string_view key, std::string_view defaultValue) {
  Profile p = Profile::Load(DiskPath());
  std::size_t header = p.FindSection(Section());
  if (header == p.lines.size()) return std::string(defaultValue);
  bool found = false;
  std::size_t at = p.FindKey(header, key, &found);
  if (!found) return std::string(defaultValue);
  std::string_view line = p.lines[at];
  return std::string(TrimBlanks(line.substr(line.find('=') + 1)));
}

bool WriteSetting(std::string_view key, std::string_view value) {
  Profile p = Profile::Load(DiskPath());
  std::string line = std::string(key) + "=" + OneLine(value);
  std::size_t header = p.FindSection(Section());
  if (header == p.lines.size()) {
    p.lines.push_back("[" + Section() + "]");
    p.lines.push_back(line);
  } else {
    bool found = false;
    std::size_t at = p.FindKey(header, key, &found);
    if (found)
      p.lines[at] = line;
    else
      p.lines.insert(p.lines.begin() + static_cast<std::ptrdiff_t>(at), line);
  }
  return ReplaceFile(DiskPath(), p.Text());
}

std::int32_t SettingToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(kLimit, value * 10 + (text[i] - '0'));
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

int ReadThreadCountSetting() {
  std::int32_t count = SettingToInt(ReadSetting(platform::Gbk("线程数量"), ""));
  if (count == 0) count = 32;
  AppState::Instance().threadCount = count;
  return count;
}

int ReadEngineSetting() { return SettingToInt(ReadSetting(platform::Gbk("下载器引擎"), "0")); }

}  // namespace brisklet::app
