#include "platform/native_path.h"

#include "platform/codepage.h"

namespace brisklet::platform {

std::string ToNativePath(std::string_view gbkPath) { return GbkToUtf8(gbkPath); }

std::string FromNativePath(std::string_view nativePath) { return Utf8ToGbk(nativePath); }

}  // namespace brisklet::platform
