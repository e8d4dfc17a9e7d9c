#pragma once
// The settings file "Accounts.ini" in the settings folder, section 云服务器. Values are GBK
// texts; the path is computed anew at every access and no handle stays open.
#include <string>
#include <string_view>

namespace brisklet::app {

std::string SettingsPath();
std::string ReadSetting(std::string_view key, std::string_view defaultValue);
bool WriteSetting(std::string_view key, std::string_view value);

// The thread count as a download window reads it when created: 线程数量 as an integer from its
// leading digits, 32 when that gives 0. Also stores it in AppState::threadCount.
int ReadThreadCountSetting();

}  // namespace brisklet::app
