#pragma once
// Conversions between the system's GBK texts and the other encodings the system meets:
// UTF-8 (web pages, percent-encoded addresses) and the UTF-16LE byte arrays of skinned controls.
// A character the target cannot hold becomes "?"; bytes that are not valid in the source
// encoding become "?" (GBK) or U+FFFD (UTF-8).
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace brisklet::text {

std::string Utf8ToLocal(std::string_view utf8);
std::string LocalToUtf8(std::string_view local);

// The zero-terminated UTF-16LE text a skinned control returns, as a GBK text. The text ends at
// the first zero character or at the end of the array (an odd last byte is dropped); an empty
// array gives the empty text.
std::string FromControlText(const Bytes& utf16le);

// A GBK text as a skinned control takes it: UTF-16LE with its zero terminator and two further
// zero bytes, so even the empty text gives four zero bytes. The text ends at its first zero
// byte, as a zero-terminated text would.
Bytes ToControlText(std::string_view local);

}  // namespace brisklet::text
