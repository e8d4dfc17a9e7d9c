#pragma once
// The system's GBK texts as Qt's UTF-16 strings and back.
#include <QString>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace brisklet::platform {

inline QString ToQt(std::string_view gbk) { return QString::fromStdU16String(GbkToUtf16(gbk)); }
inline std::string FromQt(const QString& text) { return Utf16ToGbk(text.toStdU16String()); }

}  // namespace brisklet::platform
