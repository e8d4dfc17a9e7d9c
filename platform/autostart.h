#pragma once
// Starting the program with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<name>.desktop, whose Exec line starts the program at its full
// path. Written anew at every call.
#include <string_view>

namespace brisklet::platform {

// Writes the entry `name` ("AI" gives AI.desktop) for the program at programPath (both GBK).
// False when it could not be written, or when the name is no plain file name or either text
// holds a line break; callers may ignore it.
bool WriteAutostartEntry(std::string_view name, std::string_view programPath);

}  // namespace brisklet::platform
