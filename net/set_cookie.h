#pragma once
// Set-Cookie entries of a response's header text, as the request object's cookie keeping reads
// them: the text after a "Set-Cookie:" header name (found ignoring case) up to the first ";" or
// the end of its line, leading blanks removed. Attributes after the first ";" are not read.
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::net {

// The entries from first to last. The scan ends at the first "Set-Cookie:" that no "\r\n"
// follows.
std::vector<std::string> ScanSetCookieEntries(std::string_view headers);

// An entry whose last 8 bytes are "=deleted", "=DELETED" or "=Deleted".
bool IsDeletionMarker(std::string_view entry);

// The text before the first "=", empty when the entry has no "=" (such an entry has no name).
std::string_view EntryName(std::string_view entry);
// The text after the first "=", empty when there is none.
std::string_view EntryValue(std::string_view entry);

}  // namespace brisklet::net
