#include "app/settings_file.h"

#include <algorithm>
#include <limits>

#include "app/app_state.h"
#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

namespace brisklet::app {
namespace {

const std::string& Section() {
  static const std::string section = platform::Gbk("云服务器");
  return section;
}

}  // namespace

std::string SettingsPath() { return platform::SettingsFolder() + "Accounts.ini"; }

std::string ReadSetting(std::string_view key, std::string_view defaultValue) {
  return platform::ReadIniString(SettingsPath(), Section(), key, defaultValue);
}

// The profile module writes a line break in a value as a space, so a clipboard text of
// several lines cannot add keys or sections to the file.
bool WriteSetting(std::string_view key, std::string_view value) {
  return platform::WriteIniString(SettingsPath(), Section(), key, value);
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
  if (count == 0) count = kDefaultThreads;
  AppState::Instance().threadCount = count;
  return count;
}

int ReadEngineSetting() { return SettingToInt(ReadSetting(platform::Gbk("下载器引擎"), "0")); }

}  // namespace brisklet::app
