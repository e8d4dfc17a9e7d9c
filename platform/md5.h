#pragma once
// MD5 digests, for names derived from fixed texts (not for security).
#include <string>
#include <string_view>

namespace brisklet::platform {

// The lower-case hexadecimal MD5 digest (32 characters) of the bytes; empty on failure.
std::string Md5Hex(std::string_view bytes);

}  // namespace brisklet::platform
