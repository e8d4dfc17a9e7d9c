#pragma once
// The settings file "Accounts.ini" in the settings folder, section 云服务器. Values are GBK
// texts; the path is computed anew at every access and no handle stays open.
#include <cstdint>
#include <string>
#include <string_view>

namespace brisklet::app {

// How the engines take the thread count: 0, a negative count or a text without digits means
// kDefaultThreads; a count above kThreadCeiling is lowered to it (beyond that more connections
// only add load on the server and threads on this machine, never speed). The settings window
// shows this range beside the count.
inline constexpr int kDefaultThreads = 32;
inline constexpr int kThreadCeiling = 128;

// $XDG_CONFIG_HOME/brisklet/Accounts.ini, as a GBK text.
std::string SettingsPath();
std::string ReadSetting(std::string_view key, std::string_view defaultValue);
// False when the file could not be written; callers ignore it, the running value stands.
// Line breaks in the value are written as spaces: a value is one line of the file and must
// not be able to add keys or sections to it.
bool WriteSetting(std::string_view key, std::string_view value);

// A setting's text as an integer: optional blanks and sign, then the leading decimal digits;
// 0 when there are none. Saturates at the 32-bit limits.
std::int32_t SettingToInt(std::string_view text);

// The thread count as a download window reads it when created: 线程数量 as an integer from its
// leading digits, 32 when that gives 0. Also stores it in AppState::threadCount.
int ReadThreadCountSetting();

// The engine as start-up reads it: 下载器引擎 with the default "0", as an integer.
int ReadEngineSetting();

}  // namespace brisklet::app
