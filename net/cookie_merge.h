#pragma once
// Merging the cookies a request sent with the cookies its response set, so one cookie text can
// be carried from request to request: received cookies replace sent ones of the same name,
// "=deleted" ones disappear, each cookie occurs once. Comparisons are byte for byte.
//
// A cookie text is a list of name=value items separated by "; ". Splitting keeps an empty item
// between two adjacent separators, gives no item after a separator at the very end, and no
// items at all for the empty text.
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::net {

// Both texts are trimmed (a final ";" gets a blank after it) and stored back; the merged text
// is stored into `sent` and returned.
std::string MergeCookies(std::string& sent, std::string& received);

// The text before the first "=", trimmed; the whole item trimmed when it has no "=".
std::string CookieName(std::string_view item);

bool HasCookieNamed(const std::vector<std::string>& items, std::string_view name);

// Each item kept only at its first occurrence.
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);

}  // namespace brisklet::net
