#pragma once
// Small text operations of net/ on GBK header and cookie texts: ASCII case folding only; the
// searches are the text helpers' (a match never starts on the second byte of a character).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::net {

inline constexpr std::size_t kNotFound = std::string_view::npos;

std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
std::size_t Find(std::string_view text, std::string_view pattern, std::size_t from = 0);
std::size_t FindIgnoreCase(std::string_view text, std::string_view pattern, std::size_t from = 0);
bool ContainsIgnoreCase(std::string_view text, std::string_view pattern);
// Every occurrence removed, matched ignoring case.
std::string RemoveAllIgnoreCase(std::string_view text, std::string_view pattern);
// Blanks (ASCII space) removed from the start, the end, or both.
std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimBlanks(std::string_view text);
// Split at every separator; a trailing separator gives no last empty piece, the empty text
// gives no pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

}  // namespace brisklet::net
