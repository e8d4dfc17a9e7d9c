#pragma once
// HttpRequest: a reusable request object over the platform's WebRequest, adding default request
// headers, cookie keeping across requests (its own jar, or the process-wide cookie store),
// following redirects itself while cookies are kept, a proxy with credentials, tolerance of
// certificate errors, decoding of the response body, and one-call GET and POST with retries.
//
// Used by one thread at a time; nothing in it is locked. Texts are GBK; bodies are Bytes.
// The operations keep their table order: lifecycle, cookie internals, sending internals,
// request, settings, request headers, response, cookie operations, one-call requests.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/http/http_transfer.h"
#include "platform/http/web_request.h"

namespace brisklet::net {

inline constexpr const char* kDefaultUserAgent =
    "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";

// The parts of an address as SplitUrl cuts them.
struct UrlParts {
  std::string scheme;  // "http://" or "https://"
  std::string host;
  std::string port;  // text: explicit, or "80" / "443"
  std::string path;  // from the first "/", cut before "#"; "/" when there is none
};

class HttpRequest {
 public:
  // A made object has every field zero or empty and is usable only after Init.
  HttpRequest() = default;
  ~HttpRequest();  // Destroy
  // Copy: an independent object sharing the same underlying request object.
  HttpRequest(const HttpRequest& other) = default;
  HttpRequest& operator=(const HttpRequest& other) = default;
  HttpRequest Copy() const { return *this; }

  void CreateComObject();
  void ReleaseComObject();
  void ApplyDefaults();
  void MergeResponseCookies(bool keepCookies);
  void StoreResponseCookies(bool keepCookies);
  void StoreCookieText(std::string_view text);
  void ApplyJarCookies();
  void ApplyStoreCookies();
  void AddDefaultHeaders(bool hasBody);
  void BeforeSend();
  void AfterSend(bool keepCookies);
  void FollowRedirect(bool keepCookies = false);

  void Init();
  // The underlying request object; a given one replaces the held one. Copies of this object
  // share it.
  std::shared_ptr<platform::http::WebRequest> ComObject(
      std::shared_ptr<platform::http::WebRequest> replacement = nullptr);
  std::string LastError() const;
  // Why the last Send failed (None when it succeeded). A failed send leaves no response:
  // Status 0, no headers, empty body; bytes already given to a response sink stay given.
  platform::http::TransferError LastSendError() const;
  bool SetAutoHeaders(bool flag = true);
  void SetCookieMode(int mode = 1);
  void Reset();

  // An empty method means the default "GET".
  void Open(std::string_view method, std::string_view address,
            std::optional<bool> async = std::nullopt);
  void Open(std::string_view address) { Open("GET", address); }
  // A given body, even an empty one, is sent as a body.
  bool SendBytes(std::optional<Bytes> body = std::nullopt, bool keepCookies = true);
  bool Send(std::optional<std::string> body = std::nullopt, bool keepCookies = true);
  bool WaitForResponse(int timeoutSeconds = 0);
  void Abort();

  Bytes ResponseBody() const;
  std::string ResponseBodyText() const;
  std::string ResponseText() const;
  std::string ResponseTextUtf8() const;
  int Status() const;
  std::string StatusText() const;
  std::string GetAllResponseHeaders() const;
  std::string GetResponseHeader(std::string_view name) const;
  std::string ResponseCookies() const;
  std::string ResponseCookie(std::string_view name) const;
  std::string Location(bool absolute = false) const;

  void SetTimeouts(int resolveMs = 10000, int connectMs = 15000, int sendMs = 120000,
                   int receiveMs = 300000);
  void SetProxy(std::string_view proxy, std::string_view user = {}, std::string_view password = {});
  void SetCredentials(std::string_view user, std::string_view password, int flags = 0);
  void SetClientCertificate(std::string_view certificate);
  void SetAutoLogonPolicy(int policy);
  // Writes the option when a value is given, then reads it back. Options take integers here.
  long Option(int number, std::optional<long> value = std::nullopt);
  void SetRedirects(bool flag = true);
  bool SetIgnoreCertErrors(bool flag = true);

  void SetRequestHeader(std::string_view name, std::string_view value);
  void SetRequestHeaders(std::string_view block);
  void BlankRequestHeader(std::string_view name);
  void SetCookies(std::string_view text);
  void SetUserAgent(std::optional<std::string> value = std::nullopt);
  void SetReferer(std::optional<std::string> value = std::nullopt);
  void SetOrigin(std::optional<std::string> value = std::nullopt);
  void SetAccept(std::optional<std::string> value = std::nullopt);
  void SetAcceptLanguage(std::optional<std::string> value = std::nullopt);
  void SetContentType(std::optional<std::string> value = std::nullopt);
  void SetXmlHttpRequest();
  void SetClientAddress(std::string_view address);

  std::string JarText(std::optional<std::string> text = std::nullopt);
  std::string JarCookie(std::string_view name, bool withName = false) const;
  bool MergeCookieText(std::string_view text);
  bool RemoveJarCookies(std::string_view names);

  bool Get(std::string_view address, std::optional<std::string> cookies = std::nullopt,
           std::optional<std::string> headers = std::nullopt,
           std::optional<std::string> proxy = std::nullopt, int attempts = 5);
  bool Post(std::string_view address, std::string body,
            std::optional<std::string> cookies = std::nullopt,
            std::optional<std::string> headers = std::nullopt,
            std::optional<std::string> proxy = std::nullopt, int attempts = 5);
  bool PostBytes(std::string_view address, Bytes body,
                 std::optional<std::string> cookies = std::nullopt,
                 std::optional<std::string> headers = std::nullopt,
                 std::optional<std::string> proxy = std::nullopt, int attempts = 5);

  // While set, Send streams each response body into the sink instead of keeping it:
  // ResponseBody is then empty; status and headers are kept as usual. An empty sink stops it.
  void SetResponseSink(platform::http::BodySink sink);

  // The object's private address routines, open to tests.
  static bool SplitUrl(std::string_view address, UrlParts& parts);
  static std::string DecodeUtf8(const Bytes& bytes);
  // A non-empty Location value made absolute against the address it answered.
  static std::string AbsoluteLocation(std::string_view url, std::string_view value);

  // Read-only views of fields, for callers and tests.
  const std::string& Url() const { return url_; }
  int CookieMode() const { return cookieMode_; }
  int RedirectCount() const { return redirectCount_; }

 private:
  enum class Attempt { Get, Post, PostBytes };
  bool Request(Attempt kind, std::string_view address, const std::string* body, const Bytes* bytes,
               const std::optional<std::string>& cookies, const std::optional<std::string>& headers,
               const std::optional<std::string>& proxy, int attempts);
  bool SendWith(const Bytes* body, bool keepCookies);
  void MarkHeader(std::string_view name);
  void ComSetRequestHeader(std::string_view name, std::string_view value);
  // The Set-Cookie entries of the last response, in order (see request_cookies.cpp).
  std::vector<std::string> SetCookieEntries() const;

  std::shared_ptr<platform::http::WebRequest> comObject_;
  std::string url_;
  bool isPost_ = false;
  bool async_ = false;
  bool autoHeaders_ = false;
  bool userAgentSet_ = false;
  bool contentTypeSet_ = false;
  bool acceptLanguageSet_ = false;
  int cookieMode_ = 0;
  std::string jar_;  // its length is the jar length
  bool cookiesChanged_ = false;
  bool proxyCredentialsPending_ = false;
  std::string proxyUser_;
  std::string proxyPassword_;
  std::string proxy_;
  bool ignoreCertErrors_ = false;
  bool followRedirects_ = false;
  int redirectCount_ = 0;
  bool comRedirects_ = false;
  platform::http::BodySink sink_;
};

}  // namespace brisklet::net
