#pragma once
// Conversions between the system's texts (code page 936, GBK), UTF-8 and UTF-16.
//
// They behave as the Windows conversions the text helpers were written against:
// a character the target cannot hold becomes the default character "?", and input that is
// not valid in its own encoding is converted as far as it goes, invalid sequences becoming
// the replacement character (U+FFFD, or "?" in GBK). Empty input gives empty output.
#include <optional>
#include <string>
#include <string_view>

namespace brisklet::platform {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Bytes in a character set a page declares ("utf-8", "big5", "iso-8859-1", "unicode", any
// name iconv knows, letter case ignored) as a GBK text. nullopt when the name is unknown, so
// the caller can keep the bytes as they are.
std::optional<std::string> CharsetToGbk(std::string_view bytes, std::string_view charset);

// A text written in the source code (UTF-8) as the system's GBK text: Gbk("下载进度：").
// Source files are UTF-8; every literal the system shows or compares goes through this.
inline std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

}  // namespace brisklet::platform
