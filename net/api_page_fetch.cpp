// ApiPageFetch: one request through the API session, step by step; a step that fails stores
// its numbered error text and ends the call with an empty result.
#include "net/cookie_merge.h"
#include "net/page_fetch.h"
#include "net/regex_object.h"
#include "net/text_ops.h"
#include "platform/codepage.h"
#include "platform/http/api_session.h"
#include "platform/http/web_request.h"
#include "text/text_cut.h"
#include "text/text_search.h"

namespace brisklet::net {

namespace http = platform::http;
using platform::Gbk;

namespace {

struct DefaultHeader {
  const char* nameSearched;
  const char* line;
};

// Step 12: the block from the caller's headers and the defaults it lacks.
std::string BuildHeaderBlock(const std::string& headers, bool defaults, int method) {
  std::string block = headers.empty() ? "" : headers + "\r\n";
  if (!defaults) return block;
  const DefaultHeader lines[] = {
      {"User-Agent: ",
       "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
      {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n"},
      {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n"},
      {"Accept-Language: ", "Accept-Language: zh-cn\r\n"},
      {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n"},
      {"Cache-Control: ", "Cache-Control: no-cache\r\n"},
  };
  for (const auto& d : lines) {
    if (std::string_view(d.nameSearched) == "Content-Type:" && method != 1) continue;
    if (!ContainsIgnoreCase(block, d.nameSearched)) block += d.line;
  }
  return block;
}

// Step 14: the keep-alive rule, then the caller's cookies when the block has none.
std::string FinishHeaderBlock(std::string block, const std::string& cookies) {
  if (text::ContainsText(block, "Connection")) {
    for (const auto& line : SplitText(block, "\r\n")) {
      if (line.rfind("Connection", 0) != 0) continue;
      if (text::TextRightOf(line, "Connection: ") == "keep-alive")
        block = text::ReplaceText(block, "Connection: keep-alive\r\n", "");
      break;
    }
  }
  if (!ContainsIgnoreCase(block, "Cookie:") && !cookies.empty()) {
    if (ContainsIgnoreCase(cookies, "Cookie:"))
      block += "\r\n" + cookies + "\r\n";
    else
      block += "\r\nCookie: " + cookies + "\r\n";
  }
  return block;
}

// Step 21: cookies and the redirect target from the header lines.
void ReadHeaderLines(const std::string& headers, std::string& cookies, std::string& location) {
  for (const auto& line : SplitText(headers, "\r\n")) {
    if (text::TextLeftOf(line, ": ") == "Set-Cookie") {
      std::string cookie = line.find(';') == std::string::npos
                               ? RemoveAllIgnoreCase(line, "Set-Cookie:")
                               : text::TextBetween(line, "Set-Cookie:", ";");
      cookies += text::TrimText(cookie) + "; ";
    }
    if (StartsWithIgnoreCase(line, "Location: ")) location = line.substr(10);
  }
}

}  // namespace

std::string DeclaredCharset(std::string_view page) {
  RegexObject regex;
  if (!regex.Execute("<meta.+?charset=[^\\w]?([-\\w]+)", page.substr(0, 1024))) return {};
  return regex.SubMatchText(1, 1);
}

std::string ApiPageFetch(std::string url) {
  ApiPageFetchArgs args{.url = std::move(url)};
  return ApiPageFetch(args);
}

std::string ApiPageFetch(ApiPageFetchArgs& a) {
  const int methodNumber = a.method.value_or(0);
  const std::string cookies = a.cookies.value_or("");
  const std::string proxy = a.proxy.value_or("");
  const std::string user = a.user.value_or(""), password = a.password.value_or("");
  const std::string proxyUser = a.proxyUser.value_or("");
  const std::string proxyPassword = a.proxyPassword.value_or("");
  http::ApiSession session;
  auto fail = [&](const char* error) {
    a.statusText = Gbk(error);
    return std::string();
  };

  // 1-2: the platform, the address.
  if (!http::ApiSession::CheckPlatform()) return fail("700 当前系统不支持WinHttp服务!");
  http::CrackedUrl parts;
  if (!http::ApiSession::CrackUrl(a.url, parts)) return fail("701 解析URL地址失败!");
  // 3-6: session, time-outs, connection, request.
  std::string proxyName = proxy.empty() ? "" : parts.https ? proxy : "http=" + proxy;
  if (!session.Open(proxyName)) return fail("702 创建WinHttp会话失败!");
  const int timeoutMs = a.timeout.value_or(0) < 1 ? 30000 : a.timeout.value_or(0) * 1000;
  if (!session.SetTimeouts(timeoutMs, timeoutMs, timeoutMs, timeoutMs))
    return fail("705 设置超时时间失败!");
  if (!session.Connect(parts.host, parts.port)) return fail("703 创建WinHttp连接失败!");
  if (!session.OpenRequest(MethodName(methodNumber), parts.objectName, parts.https))
    return fail("704 创建WinHttp请求失败!");
  // 7-11: credentials and options.
  if (!user.empty() && !password.empty() && !session.SetCredentials(false, user, password))
    return fail("707 设置代理凭证失败!");
  if (!proxyUser.empty() && !proxyPassword.empty() &&
      !session.SetCredentials(true, proxyUser, proxyPassword))
    return fail("707 设置代理凭证失败!");
  if (!session.SetSecurityFlags(http::kIgnoreAllCertErrors))
    return fail("忽略错误/证书错误  失败！");
  if (!session.SetAutomaticCookies(!cookies.empty())) return fail("708 禁止自动设置Cookies失败!");
  if (a.noRedirects.value_or(false) && !session.DisableRedirects())
    return fail("709 重定向设置失败!");
  // 12-15: the header block.
  std::string block =
      BuildHeaderBlock(a.headers.value_or(""), a.defaultHeaders.value_or(true), methodNumber);
  if (a.tidyHeaderNames.value_or(true)) block = NormalizeHeaderNames(block);
  block = FinishHeaderBlock(block, cookies);
  if (!session.AddRequestHeaders(block)) return fail("710 设置协议头失败!");
  // 16-18: send, receive, read.
  Bytes body = a.bodyBytes.value_or(Bytes{});
  if (body.empty()) body = ToBytes(a.body.value_or(""));
  if (!session.SendRequest(body)) return fail("711 发送请求失败!");
  if (!session.ReceiveResponse()) return fail("712 服务器未响应!");
  Bytes received;
  bool readFailed = false;
  for (Bytes piece;;) {
    if (!session.ReadData(piece)) {
      a.statusText = Gbk("713 读取数据失败!");
      readFailed = true;
      break;
    }
    if (piece.empty()) break;
    received.insert(received.end(), piece.begin(), piece.end());
  }
  // 19-22: headers, status, cookies, location.
  std::string rawHeaders;
  if (!session.QueryHeaders(rawHeaders)) return {};
  a.responseHeaders = rawHeaders;
  // A body cut short keeps its "713": the status line must not make it look whole.
  if (!readFailed) {
    std::string firstLine = rawHeaders.substr(0, rawHeaders.find("\r\n"));
    a.statusText = firstLine.size() > 9 ? firstLine.substr(9) : "";
  }
  std::string responseCookies;
  ReadHeaderLines(rawHeaders, responseCookies, a.location);
  if (responseCookies.size() >= 2) responseCookies.resize(responseCookies.size() - 2);
  if (a.mergeCookies.value_or(true) && !cookies.empty()) {
    std::string sent = cookies;
    responseCookies = MergeCookies(sent, responseCookies);
  }
  a.responseCookies = responseCookies;
  // 23-24: the body as text, converted when the page declares another character set.
  a.responseBytes = received;
  if (readFailed) return {};
  std::string result = ToText(received);
  std::string charset = DeclaredCharset(result);
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    if (auto converted = platform::CharsetToGbk(result, charset)) result = *converted;
  }
  return result;
}

}  // namespace brisklet::net
