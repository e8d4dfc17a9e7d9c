#pragma once
// The folders the program uses, as GBK texts ending in "/". They are computed from the
// environment at every call (tests point them at temp folders) and are not created here;
// writers create what they need (WriteIniString, WriteWholeFile).
#include <string>

namespace brisklet::platform {

// $HOME, else the home folder of the user's passwd entry, else "/" (UTF-8, no trailing "/"
// unless it is the root).
std::string HomeFolderNative();

// The settings folder: $XDG_CONFIG_HOME/brisklet/ (default ~/.config/brisklet/).
std::string SettingsFolder();

// The folder autostart entries go to: $XDG_CONFIG_HOME/autostart/.
std::string AutostartFolder();

// The desktop: XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/…" or an absolute
// path), else the environment variable XDG_DESKTOP_DIR, else ~/Desktop/.
std::string DesktopFolder();

// The cache folder: $XDG_CACHE_HOME/brisklet/ (default ~/.cache/brisklet/).
std::string CacheFolder();

// The runtime folder for marks that end with the session: $XDG_RUNTIME_DIR/, else /tmp/.
std::string RuntimeFolder();

// The program's own file (from /proc/self/exe), its folder (ending in "/") and its file
// name. Empty when the link cannot be read.
std::string ProgramPath();
std::string ProgramFolder();
std::string ProgramFileName();

}  // namespace brisklet::platform
