#pragma once
// The character set a response names in its Content-Type.
#include <string>
#include <string_view>

namespace brisklet::platform::http {

// The charset parameter of a Content-Type value ("text/html; charset=utf-8" gives "utf-8");
// empty when there is none.
std::string CharsetOfContentType(std::string_view contentType);

}  // namespace brisklet::platform::http
