#pragma once
// Bytes in a named character set (as a page or a Content-Type declares it) to the system's
// GBK text, the way a text stream with its Charset set reads them back.
#include <optional>
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace brisklet::platform::http {

// nullopt when the character set is unknown; characters GBK cannot hold become "?",
// malformed input is converted as far as it goes.
std::optional<std::string> CharsetToGbk(const Bytes& bytes, std::string_view charset);

// The charset parameter of a Content-Type value ("text/html; charset=utf-8" gives "utf-8");
// empty when there is none.
std::string CharsetOfContentType(std::string_view contentType);

}  // namespace brisklet::platform::http
