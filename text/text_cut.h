#pragma once
// Cutting pieces out of GBK texts: the values the system picks out of web pages, replies and
// header lines. Each is a pure function; a missing piece gives the empty text.
#include <string>
#include <string_view>

namespace brisklet::text {

// The text between the first `left` and the first `right` after it. In both markers "#引号"
// stands for a double quote, so callers can write markers holding quotes:
// TextBetween(page, "href=#引号", "#引号"). Empty when `left` does not occur or no `right`
// follows it (a `right` before `left` does not count).
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right);

// Everything before the first occurrence of delimiter; empty when it does not occur.
std::string TextLeftOf(std::string_view text, std::string_view delimiter);

// Everything after the last occurrence of delimiter; empty when it does not occur.
std::string TextRightOf(std::string_view text, std::string_view delimiter);

// The name and the value of a header line "Name: value": the parts before and after its
// first ":", trimmed. Both are empty when the line holds no ":".
std::string HeaderName(std::string_view line);
std::string HeaderValue(std::string_view line);

// The text without its spaces at either end; a space is the ASCII space or the ideographic
// space of code page 936 (0xA1 0xA1). Tabs and line breaks stay.
std::string TrimText(std::string_view text);

}  // namespace brisklet::text
