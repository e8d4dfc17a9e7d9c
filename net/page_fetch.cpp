#include "net/page_fetch.h"

#include <memory>

#include "net/cookie_merge.h"
#include "net/text_ops.h"
#include "platform/http/web_request.h"
#include "text/base64.h"
#include "text/text_cut.h"
#include "text/text_search.h"

namespace brisklet::net {

namespace http = platform::http;

namespace {

// Splits at every separator, keeping empty pieces everywhere (also after a final separator).
std::vector<std::string> SplitKeepingEmpty(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t from = 0;
  for (;;) {
    std::size_t at = text.find(separator, from);
    pieces.emplace_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) return pieces;
    from = at + 1;
  }
}

struct DefaultLine {
  const char* nameSearched;
  std::string line;
};

// Step 8: the default lines `headers` lacks, appended in this order.
void CompleteHeaders(std::string& headers, const std::string& url, int method) {
  const DefaultLine defaults[] = {
      {"Accept:", "\r\nAccept: */*"},
      {"Referer:", "\r\nReferer: " + url},
      {"Accept-Language:", "\r\nAccept-Language: zh-cn"},
      {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
  };
  for (const auto& d : defaults)
    if (!ContainsIgnoreCase(headers, d.nameSearched)) headers += d.line;
  if (method == 1 && !ContainsIgnoreCase(headers, "Content-Type:"))
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
}

// Step 12: the header text as request headers; "Connection: keep-alive" exactly is left out.
void ApplyHeaderLines(http::WebRequest& request, const std::string& headers) {
  if (text::FindText(headers, "\r\n") == text::npos) {
    request.SetRequestHeader(text::HeaderName(headers), text::HeaderValue(headers));
    return;
  }
  for (const auto& line : SplitText(headers, "\r\n")) {
    if (line.empty()) continue;
    std::string name = text::HeaderName(line);
    std::string value = text::HeaderValue(line);
    if (name == "Connection" && value == "keep-alive") continue;
    request.SetRequestHeader(name, value);
  }
}

}  // namespace

std::string MethodName(int method) {
  static const char* const kNames[] = {"GET",     "POST",   "HEAD",  "PUT",
                                       "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return method >= 0 && method <= 7 ? kNames[method] : "GET";
}

std::string CapitalizeFirst(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

std::string NormalizeHeaderNames(std::string_view headers) {
  std::string joined;
  bool first = true;
  for (const auto& line : SplitText(headers, "\r\n")) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string_view name = std::string_view(line).substr(0, colon);
    std::string newName;
    if (name.find('-') == std::string_view::npos) {
      newName = CapitalizeFirst(name);
    } else {
      bool firstPart = true;
      for (const auto& part : SplitKeepingEmpty(name, '-')) {
        if (!firstPart) newName += '-';
        newName += CapitalizeFirst(part);
        firstPart = false;
      }
    }
    if (!first) joined += "\r\n";
    joined += newName + line.substr(colon);
    first = false;
  }
  return joined;
}

std::string CollectResponseCookies(std::string_view headers) {
  std::string cookies;
  for (const auto& line : SplitText(headers, "\r\n")) {
    if (text::TextLeftOf(line, ": ") != "Set-Cookie") continue;
    std::string item = line.find(';') == std::string::npos
                           ? text::TrimText(RemoveAllIgnoreCase(line, "Set-Cookie:"))
                           : text::TrimText(text::TextBetween(line, "Set-Cookie:", ";"));
    cookies += item + "; ";
  }
  if (cookies.size() >= 2 && cookies.compare(cookies.size() - 2, 2, "; ") == 0)
    cookies.resize(cookies.size() - 2);
  return cookies;
}

Bytes PageFetch(std::string url) {
  PageFetchArgs args{.url = std::move(url)};
  return PageFetch(args);
}

Bytes PageFetch(PageFetchArgs& a) {
  // 1-2: defaults of the omitted arguments; the method's name.
  int method = a.method.value_or(0);
  if (method < 0 || method > 7) method = 0;
  std::string headers = a.headers.value_or("");
  const std::string proxy = a.proxy.value_or("");
  const std::string proxyUser = a.proxyUser.value_or("");
  const std::string proxyPassword = a.proxyPassword.value_or("");
  const int credentialFlags = a.proxyCredentialFlags.value_or(1);
  const int timeoutSeconds = a.timeoutSeconds.value_or(0);

  // 3: the caller's request object, or one of our own for this call.
  std::unique_ptr<http::WebRequest> own;
  http::WebRequest* request = a.requestObject;
  if (!request) {
    own = std::make_unique<http::WebRequest>();
    request = own.get();
  }

  // 4-7: time-outs, proxy, open, options.
  if (timeoutSeconds != -1) {
    int t = timeoutSeconds >= 1 ? timeoutSeconds * 1000 : 15000;
    request->SetTimeouts(t, t, t, t);
  }
  if (!proxy.empty()) request->SetProxy(http::kProxySettingNamed, proxy);
  request->Open(MethodName(method), a.url, false);
  if (a.noRedirect.value_or(false)) request->SetOption(http::kOptionEnableRedirects, 0);
  request->SetOption(http::kOptionSslErrorIgnoreFlags, http::kIgnoreAllCertErrors);

  // 8-9: complete and normalise the header text, handing it back to the caller.
  if (a.completeHeaders.value_or(true)) {
    CompleteHeaders(headers, a.url, method);
    a.headers = headers;
  }
  if (a.normalizeHeaderNames.value_or(true)) {
    headers = NormalizeHeaderNames(headers);
    a.headers = headers;
  }

  // 10: proxy credentials.
  if (!proxy.empty() && !proxyUser.empty()) {
    request->SetCredentials(proxyUser, proxyPassword, credentialFlags);
    if (credentialFlags == 1)
      request->SetRequestHeader(
          "Proxy-Authorization",
          "Basic " + text::Base64Encode(ToBytes(proxyUser + ":" + proxyPassword)));
  }

  // 11: the caller's cookies, without any "Cookie:" written into them.
  if (a.cookies) {
    if (!a.cookies->empty() && ContainsIgnoreCase(*a.cookies, "Cookie:"))
      a.cookies = RemoveAllIgnoreCase(*a.cookies, "Cookie:");
    request->SetRequestHeader("Cookie", *a.cookies);
  }

  // 12-13: header lines, then send.
  ApplyHeaderLines(*request, headers);
  const Bytes postBytes = a.postBytes.value_or(Bytes{});
  const std::string postText = a.postText.value_or("");
  if (!postBytes.empty())
    request->Send(postBytes);
  else if (!postText.empty())
    request->Send(ToBytes(postText));
  else
    request->Send();  // an empty body is no body: a GET goes out without Content-Length

  // 14-16: the response, its cookies, the merge.
  Bytes body = request->ResponseBody();
  a.headersOut = request->GetAllResponseHeaders();
  a.statusOut = request->Status();
  a.cookiesOut = CollectResponseCookies(a.headersOut);
  if (a.mergeCookies.value_or(true) && a.cookies)
    a.cookiesOut = MergeCookies(*a.cookies, a.cookiesOut);
  return body;
}

}  // namespace brisklet::net
