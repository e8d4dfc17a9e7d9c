#pragma once
// Percent-encoding of addresses and query values, with UTF-8 on the wire and GBK inside.
#include <string>
#include <string_view>

namespace brisklet::text {

// "%" and two hexadecimal digits (either case) become that byte; every other byte, "+"
// included, is kept; the bytes are then read as UTF-8 and given as GBK. A "%" not followed by
// two hexadecimal digits stays as it is. A decoded zero byte ends the text, as it would end a
// zero-terminated text.
std::string PercentDecodeText(std::string_view text);

// The text as UTF-8 with every byte except ASCII letters, digits, "-" and "." written as "%"
// and two upper-case hexadecimal digits ("a b/c" → "a%20b%2Fc").
std::string PercentEncodeText(std::string_view text);

}  // namespace brisklet::text
