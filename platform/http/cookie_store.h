#pragma once
// The process-wide cookie store: cookies kept per host for the life of the process, shared by
// every request object that keeps its cookies there. Safe to call from any thread.
#include <string>
#include <string_view>

namespace brisklet::platform::http {

// Stores name=value for the host of `url` (host compared ignoring case, port ignored),
// replacing a cookie of the same name; an empty value removes the cookie.
void StoreCookie(std::string_view url, std::string_view name, std::string_view value);

// Every cookie for the host of `url` as "a=1; b=2", in the order first stored; empty when
// there is none.
std::string CookiesFor(std::string_view url);

// Forgets every cookie (for tests that need a clean store).
void ClearCookieStore();

}  // namespace brisklet::platform::http
