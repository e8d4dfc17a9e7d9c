#pragma once
// Paths as the system holds them (GBK texts) and as the file system names them (UTF-8 bytes).
// Every call into the file system converts here, at the edge.
#include <string>
#include <string_view>

namespace brisklet::platform {

// The file system's name for a GBK path.
std::string ToNativePath(std::string_view gbkPath);

// The GBK text of a file system path. A character GBK cannot hold becomes "?", so a path
// holding one does not survive the round trip.
std::string FromNativePath(std::string_view nativePath);

}  // namespace brisklet::platform
