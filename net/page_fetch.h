#pragma once
// The two one-call page fetches of the system and the helpers they share.
//
// PageFetch: one HTTP or HTTPS request over a request object, filled in from up to nineteen
// arguments; the result is the response body. ApiPageFetch: one request through the API
// session, every step of which may fail with its own numbered error text; the result is the
// body as text, converted to GBK when the page declares another character set.
//
// Both block their thread for the whole exchange, keep no state between calls and may run on
// several threads at once. Failures are never raised: the result is empty and the out-fields
// say what they can.
#include <optional>
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace brisklet::platform::http {
class WebRequest;
}

namespace brisklet::net {

// An optional argument: empty when the caller did not give it.
template <typename T>
using Given = std::optional<T>;

// Arguments 2 to 19 of PageFetch, in their order; what the call hands back is written into the
// in-and-out and out fields of the record.
struct PageFetchArgs {
  std::string url;                   // 1: used unchanged, and as the default Referer
  Given<int> method;                 // 2: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE,
                                     //    6 TRACE, 7 CONNECT; anything else GET
  Given<std::string> postText;       // 3: body, sent when postBytes is empty
  Given<std::string> cookies;        // 4: in and out: sent as "Cookie" only when given; on return
                                     //    the merged cookie text
  std::string cookiesOut;            // 5: out: the cookies the response set, "a=1; b=2"
  Given<std::string> headers;        // 6: in and out: extra header lines joined by "\r\n"; on
                                     //    return the completed and normalised text
  std::string headersOut;            // 7: out: all response headers
  int statusOut = 0;                 // 8: out: the status code
  Given<bool> noRedirect;            // 9: true: redirects are not followed
  Given<Bytes> postBytes;            // 10: body; sent instead of postText when not empty
  Given<std::string> proxy;          // 11: "host:port"
  Given<int> timeoutSeconds;         // 12: -1 leaves the time-outs; <= 0 means 15 s
  Given<std::string> proxyUser;      // 13
  Given<std::string> proxyPassword;  // 14
  Given<int> proxyCredentialFlags;   // 15: default 1 (for the proxy, plus a Basic header)
  platform::http::WebRequest* requestObject = nullptr;  // 16: used instead of a new one
  Given<bool> mergeCookies;                             // 17: default true
  Given<bool> completeHeaders;                          // 18: default true
  Given<bool> normalizeHeaderNames;                     // 19: default true
};

Bytes PageFetch(PageFetchArgs& args);
Bytes PageFetch(std::string url);

// Every header name written with a capital first letter and a capital after each "-"; lines
// without ":" dropped; lines joined by "\r\n" with none after the last. Names are never
// lower-cased: "CONTENT-TYPE" stays.
std::string NormalizeHeaderNames(std::string_view headers);
// The first byte upper-cased when it is an ASCII letter.
std::string CapitalizeFirst(std::string_view text);

// The cookies of Set-Cookie lines of a header text (each line's name before its first ": "
// exactly "Set-Cookie"), attributes dropped, joined by "; ".
std::string CollectResponseCookies(std::string_view headers);

// Arguments 2 to 21 of ApiPageFetch, in their order; out fields are written back.
struct ApiPageFetchArgs {
  std::string url;                   // 1
  Given<int> method;                 // 2: as PageFetch
  Given<std::string> body;           // 3
  Given<std::string> cookies;        // 4: sent, and the base of the cookie merge
  std::string responseCookies;       // 5: out
  Given<std::string> headers;        // 6: extra header lines joined by "\r\n"
  std::string responseHeaders;       // 7: out: the status line and headers as received
  Given<bool> noRedirects;           // 8
  Given<std::string> user;           // 9: server basic authentication
  Given<std::string> password;       // 10
  Given<std::string> proxy;          // 11
  Given<std::string> proxyUser;      // 12
  Given<std::string> proxyPassword;  // 13
  Given<int> timeout;                // 14: seconds; below 1 means 30
  std::string location;              // 15: out: the redirect target named by the response
  std::string statusText;            // 16: out: "200 OK", or the numbered error of a failed step
  Bytes responseBytes;               // 17: out: the body as received
  Given<bool> mergeCookies;          // 18: default true
  Given<bool> defaultHeaders;        // 19: default true
  Given<Bytes> bodyBytes;            // 20: wins over body when not empty
  Given<bool> tidyHeaderNames;       // 21: default true
};

std::string ApiPageFetch(ApiPageFetchArgs& args);
std::string ApiPageFetch(std::string url);

// The character set a page declares in a meta tag within its first 1024 bytes; empty if none.
std::string DeclaredCharset(std::string_view page);

// The name of a method number; anything outside 0..7 is "GET".
std::string MethodName(int method);

}  // namespace brisklet::net
