#pragma once
// Searching inside GBK texts.
//
// A search compares bytes and moves forward one character at a time, so a match never starts
// on the second byte of a double-byte character: in 「癆」 (0xB0 0x41) there is no "A".
// Offsets are 0-based byte offsets; a miss is npos. An empty pattern matches at the start
// offset. The case-insensitive forms fold ASCII letters only, and only where they stand as
// single-byte characters: a trail byte such as 0x41 of a double-byte character is compared
// exactly.
#include <cstddef>
#include <string>
#include <string_view>

namespace brisklet::text {

inline constexpr std::size_t npos = std::string_view::npos;

// Whether a byte starts a double-byte character of code page 936 (0x81..0xFE). 0x80 (the euro
// sign) and 0xFF stand alone.
constexpr bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// The byte length of the character starting at `at` (1 or 2; 1 for a lead byte cut off by
// the end of the text).
std::size_t CharLength(std::string_view text, std::size_t at);

// First occurrence of pattern at a character start at or after `from` (which must itself be a
// character start).
std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t from = 0);
std::size_t FindTextIgnoreCase(std::string_view text, std::string_view pattern,
                               std::size_t from = 0);

// Last occurrence of pattern at a character start.
std::size_t FindLastText(std::string_view text, std::string_view pattern);

bool ContainsText(std::string_view text, std::string_view pattern);
bool ContainsIgnoreCase(std::string_view text, std::string_view pattern);

// Every occurrence of `from` replaced by `to`, left to right, without rescanning what was put in.
std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to);

}  // namespace brisklet::text
