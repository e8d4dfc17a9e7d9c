#include "net/request_object.h"

#include <cstdlib>

#include "net/text_ops.h"
#include "platform/codepage.h"

namespace brisklet::net {

namespace http = platform::http;

// ---- lifecycle -------------------------------------------------------------------------

HttpRequest::~HttpRequest() { ReleaseComObject(); }

void HttpRequest::CreateComObject() {
  comObject_ = std::make_shared<http::WebRequest>();
  if (sink_) comObject_->SetResponseSink(sink_);
}

void HttpRequest::ReleaseComObject() { comObject_.reset(); }

void HttpRequest::ApplyDefaults() {
  autoHeaders_ = true;
  cookieMode_ = 0;
  jar_ = "; ";
  proxyCredentialsPending_ = false;
  proxyUser_.clear();
  proxyPassword_.clear();
  proxy_.clear();
  ignoreCertErrors_ = true;
  if (comObject_)
    comObject_->SetOption(http::kOptionSslErrorIgnoreFlags, http::kIgnoreAllCertErrors);
  followRedirects_ = true;
  comRedirects_ = true;
}

void HttpRequest::Init() {
  CreateComObject();
  ApplyDefaults();
}

std::shared_ptr<http::WebRequest> HttpRequest::ComObject(
    std::shared_ptr<http::WebRequest> replacement) {
  if (replacement) comObject_ = std::move(replacement);
  return comObject_;
}

std::string HttpRequest::LastError() const { return comObject_ ? comObject_->LastError() : ""; }

platform::http::TransferError HttpRequest::LastSendError() const {
  return comObject_ ? comObject_->LastSendError() : platform::http::TransferError::Other;
}

bool HttpRequest::SetAutoHeaders(bool flag) { return autoHeaders_ = flag; }

void HttpRequest::Reset() {
  ReleaseComObject();
  CreateComObject();
  ApplyDefaults();
}

// ---- request -----------------------------------------------------------------------------

void HttpRequest::Open(std::string_view method, std::string_view address,
                       std::optional<bool> async) {
  async_ = async.value_or(false);
  std::string verb = method.empty() ? "GET" : std::string(method);
  if (autoHeaders_) {
    isPost_ = UpperAscii(verb) == "POST";
    userAgentSet_ = acceptLanguageSet_ = contentTypeSet_ = false;
  }
  url_ = std::string(address);
  if (url_.size() < 8 ||
      (!StartsWithIgnoreCase(url_, "https://") && !StartsWithIgnoreCase(url_, "http://")))
    url_ = "http://" + url_;
  if (cookieMode_ > 0 && cookiesChanged_) {
    // A fresh request object, so that only the cookies kept here go out.
    ReleaseComObject();
    CreateComObject();
    cookiesChanged_ = false;
    comObject_->SetOption(http::kOptionEnableRedirects, 0);
    if (ignoreCertErrors_)
      comObject_->SetOption(http::kOptionSslErrorIgnoreFlags, http::kIgnoreAllCertErrors);
    if (!proxy_.empty()) {
      comObject_->SetProxy(http::kProxySettingNamed, proxy_);
      if (!proxyUser_.empty() || !proxyPassword_.empty()) proxyCredentialsPending_ = true;
    }
  }
  if (comObject_) comObject_->Open(verb, url_, async_);
}

bool HttpRequest::Send(std::optional<std::string> body, bool keepCookies) {
  if (!body) return SendWith(nullptr, keepCookies);
  Bytes bytes = ToBytes(*body);
  return SendWith(&bytes, keepCookies);
}

bool HttpRequest::SendBytes(std::optional<Bytes> body, bool keepCookies) {
  return SendWith(body ? &*body : nullptr, keepCookies);
}

bool HttpRequest::SendWith(const Bytes* body, bool keepCookies) {
  BeforeSend();
  if (autoHeaders_) AddDefaultHeaders(body != nullptr);
  if (comObject_) {
    if (body)
      comObject_->Send(*body);
    else
      comObject_->Send();
  }
  AfterSend(keepCookies);
  return true;
}

bool HttpRequest::WaitForResponse(int timeoutSeconds) {
  return comObject_ && comObject_->WaitForResponse(timeoutSeconds);
}

void HttpRequest::Abort() {
  if (comObject_) comObject_->Abort();
}

void HttpRequest::BeforeSend() {
  if (proxyCredentialsPending_) {
    if (comObject_)
      comObject_->SetCredentials(proxyUser_, proxyPassword_, http::kCredentialsForProxy);
    proxyCredentialsPending_ = false;
  }
  if (cookieMode_ == 1) ApplyJarCookies();
  if (cookieMode_ == 2) ApplyStoreCookies();
}

void HttpRequest::AddDefaultHeaders(bool hasBody) {
  if (!userAgentSet_) ComSetRequestHeader("User-Agent", kDefaultUserAgent);
  if (!acceptLanguageSet_) ComSetRequestHeader("Accept-Language", "zh-cn");
  if (!contentTypeSet_ && (isPost_ || hasBody))
    ComSetRequestHeader("Content-Type", "application/x-www-form-urlencoded");
}

void HttpRequest::AfterSend(bool keepCookies) {
  if (async_ || cookieMode_ == 0) return;
  if (cookieMode_ == 1) MergeResponseCookies(keepCookies);
  if (cookieMode_ == 2) StoreResponseCookies(keepCookies);
  if (followRedirects_) FollowRedirect();
}

void HttpRequest::FollowRedirect(bool keepCookies) {
  std::string target = Location(true);
  if (target.empty()) {
    redirectCount_ = 0;
    return;
  }
  if (++redirectCount_ > 20) {
    redirectCount_ = 0;
    return;
  }
  // This send's AfterSend comes back here, so the chain is followed hop by hop.
  Open("", target);
  Send(std::nullopt, keepCookies);
}

// ---- response ----------------------------------------------------------------------------

Bytes HttpRequest::ResponseBody() const {
  return comObject_ ? comObject_->ResponseBody() : Bytes{};
}

std::string HttpRequest::ResponseBodyText() const { return ToText(ResponseBody()); }

std::string HttpRequest::ResponseText() const {
  return comObject_ ? comObject_->ResponseText() : "";
}

std::string HttpRequest::ResponseTextUtf8() const { return DecodeUtf8(ResponseBody()); }

int HttpRequest::Status() const { return comObject_ ? comObject_->Status() : 0; }

std::string HttpRequest::StatusText() const { return comObject_ ? comObject_->StatusText() : ""; }

std::string HttpRequest::GetAllResponseHeaders() const {
  return comObject_ ? comObject_->GetAllResponseHeaders() : "";
}

std::string HttpRequest::GetResponseHeader(std::string_view name) const {
  return comObject_ ? comObject_->GetResponseHeader(name) : "";
}

std::string HttpRequest::Location(bool absolute) const {
  std::string headers = GetAllResponseHeaders();
  if (headers.empty()) return {};
  // Only a header line named Location counts; "Content-Location:" is another header.
  std::size_t at = StartsWithIgnoreCase(headers, "Location:") ? 0 : kNotFound;
  if (at == kNotFound) {
    at = FindIgnoreCase(headers, "\r\nLocation:");
    if (at != kNotFound) at += 2;
  }
  if (at == kNotFound) return {};
  std::size_t start = at + 9;
  std::size_t end = Find(headers, "\r\n", start);
  if (end == kNotFound) return {};
  std::string value(TrimBlanks(std::string_view(headers).substr(start, end - start)));
  if (value.empty() || !absolute) return value;

  return AbsoluteLocation(url_, value);
}

std::string HttpRequest::AbsoluteLocation(std::string_view url, std::string_view value) {
  // The address is split in every cookie mode: an absolute address needs its parts.
  UrlParts parts;
  SplitUrl(url, parts);
  if (value.front() == '/')
    return parts.scheme + parts.host + ":" + std::to_string(std::atoi(parts.port.c_str())) +
           std::string(value);
  if (StartsWithIgnoreCase(value, "http://") || StartsWithIgnoreCase(value, "https://"))
    return std::string(value);
  auto slash = url.rfind('/');
  if (slash != std::string_view::npos)
    return std::string(url.substr(0, slash + 1)) + std::string(value);
  return std::string(url) + "/" + std::string(value);
}

// ---- settings ----------------------------------------------------------------------------

void HttpRequest::SetCookieMode(int mode) {
  cookieMode_ = mode >= 0 && mode <= 2 ? mode : 0;
  if (cookieMode_ != 0)
    comRedirects_ = false;
  else if (followRedirects_)
    comRedirects_ = true;
  else
    return;
  if (comObject_) comObject_->SetOption(http::kOptionEnableRedirects, comRedirects_ ? 1 : 0);
}

void HttpRequest::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  if (comObject_) comObject_->SetTimeouts(resolveMs, connectMs, sendMs, receiveMs);
}

void HttpRequest::SetProxy(std::string_view proxy, std::string_view user,
                           std::string_view password) {
  if (comObject_) {
    if (!proxy.empty())
      comObject_->SetProxy(http::kProxySettingNamed, std::string(proxy));
    else
      comObject_->SetProxy(http::kProxySettingDirect);
  }
  proxy_ = std::string(proxy);
  if (!user.empty() || !password.empty()) {
    proxyUser_ = std::string(user);
    proxyPassword_ = std::string(password);
    proxyCredentialsPending_ = true;
  }
}

void HttpRequest::SetCredentials(std::string_view user, std::string_view password, int flags) {
  if (comObject_) comObject_->SetCredentials(std::string(user), std::string(password), flags);
}

void HttpRequest::SetClientCertificate(std::string_view certificate) {
  if (comObject_) comObject_->SetClientCertificate(std::string(certificate));
}

void HttpRequest::SetAutoLogonPolicy(int policy) {
  if (comObject_) comObject_->SetAutoLogonPolicy(policy);
}

long HttpRequest::Option(int number, std::optional<long> value) {
  if (!comObject_) return 0;
  if (value) comObject_->SetOption(number, *value);
  long read = comObject_->GetOption(number);
  if (number == http::kOptionEnableRedirects) {
    followRedirects_ = read != 0;
    if (followRedirects_ && cookieMode_ > 0) {
      comRedirects_ = false;
      comObject_->SetOption(http::kOptionEnableRedirects, 0);
    } else {
      comRedirects_ = followRedirects_;
    }
  }
  return read;
}

void HttpRequest::SetRedirects(bool flag) {
  followRedirects_ = flag;
  if (flag && cookieMode_ > 0) return;  // the object follows them itself
  comRedirects_ = flag;
  if (comObject_) comObject_->SetOption(http::kOptionEnableRedirects, flag ? 1 : 0);
}

bool HttpRequest::SetIgnoreCertErrors(bool flag) {
  if (comObject_)
    comObject_->SetOption(http::kOptionSslErrorIgnoreFlags, flag ? http::kIgnoreAllCertErrors : 0);
  return ignoreCertErrors_ = flag;
}

void HttpRequest::SetResponseSink(http::BodySink sink) {
  sink_ = std::move(sink);
  if (comObject_) comObject_->SetResponseSink(sink_);
}

// ---- request headers ---------------------------------------------------------------------

void HttpRequest::ComSetRequestHeader(std::string_view name, std::string_view value) {
  if (comObject_) comObject_->SetRequestHeader(std::string(name), std::string(value));
}

void HttpRequest::MarkHeader(std::string_view name) {
  if (!autoHeaders_) return;
  std::string lower = LowerAscii(name);
  if (lower == "user-agent") userAgentSet_ = true;
  if (lower == "accept-language") acceptLanguageSet_ = true;
  if (lower == "content-type") contentTypeSet_ = true;
}

void HttpRequest::SetRequestHeader(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  if (cookieMode_ > 0 && EqualsIgnoreCase(name, "cookie")) {
    SetCookies(value);
    return;
  }
  MarkHeader(name);
  ComSetRequestHeader(name, value);
}

void HttpRequest::SetRequestHeaders(std::string_view block) {
  std::size_t lineStart = 0;
  while (lineStart < block.size()) {
    std::size_t colon = Find(block, ":", lineStart);
    if (colon == kNotFound) return;
    std::size_t lineEnd = Find(block, "\r\n", colon + 1);
    std::string_view name = block.substr(lineStart, colon - lineStart);
    std::string_view value = TrimLeadingBlanks(
        block.substr(colon + 1, (lineEnd == kNotFound ? block.size() : lineEnd) - colon - 1));
    SetRequestHeader(name, value);
    if (lineEnd == kNotFound) return;
    lineStart = lineEnd + 2;
  }
}

void HttpRequest::BlankRequestHeader(std::string_view name) {
  if (name.empty()) return;
  MarkHeader(name);
  ComSetRequestHeader(name, "-");
}

void HttpRequest::SetUserAgent(std::optional<std::string> value) {
  if (autoHeaders_) userAgentSet_ = true;
  ComSetRequestHeader("User-Agent", value.value_or(kDefaultUserAgent));
}

void HttpRequest::SetReferer(std::optional<std::string> value) {
  ComSetRequestHeader("Referer", value.value_or(url_));
}

void HttpRequest::SetOrigin(std::optional<std::string> value) {
  ComSetRequestHeader("Origin", value.value_or(url_));
}

void HttpRequest::SetAccept(std::optional<std::string> value) {
  ComSetRequestHeader("Accept", value.value_or("*/*"));
}

void HttpRequest::SetAcceptLanguage(std::optional<std::string> value) {
  if (autoHeaders_) acceptLanguageSet_ = true;
  ComSetRequestHeader("Accept-Language", value.value_or("zh-cn"));
}

void HttpRequest::SetContentType(std::optional<std::string> value) {
  if (autoHeaders_) contentTypeSet_ = true;
  ComSetRequestHeader("Content-Type", value.value_or("application/x-www-form-urlencoded"));
}

void HttpRequest::SetXmlHttpRequest() { ComSetRequestHeader("x-requested-with", "XMLHttpRequest"); }

void HttpRequest::SetClientAddress(std::string_view address) {
  for (const char* name : {"X-Forwarded-For", "CLIENT_IP", "VIA", "REMOTE_ADDR"})
    ComSetRequestHeader(name, address);
}

// ---- one-call requests -------------------------------------------------------------------

bool HttpRequest::Request(Attempt kind, std::string_view address, const std::string* body,
                          const Bytes* bytes, const std::optional<std::string>& cookies,
                          const std::optional<std::string>& headers,
                          const std::optional<std::string>& proxy, int attempts) {
  int status = 0;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (proxy) SetProxy(*proxy);
    Open(kind == Attempt::Get ? "GET" : "POST", address);
    if (headers) SetRequestHeaders(*headers);
    if (cookies) SetCookies(*cookies);
    if (kind == Attempt::Get)
      Send();
    else if (kind == Attempt::Post)
      Send(*body);
    else
      SendBytes(*bytes);
    status = Status();
    if (status > 0 && status != 504 && status != 407) break;
  }
  return status == 200 || status == 301 || status == 302;
}

bool HttpRequest::Get(std::string_view address, std::optional<std::string> cookies,
                      std::optional<std::string> headers, std::optional<std::string> proxy,
                      int attempts) {
  return Request(Attempt::Get, address, nullptr, nullptr, cookies, headers, proxy, attempts);
}

bool HttpRequest::Post(std::string_view address, std::string body,
                       std::optional<std::string> cookies, std::optional<std::string> headers,
                       std::optional<std::string> proxy, int attempts) {
  return Request(Attempt::Post, address, &body, nullptr, cookies, headers, proxy, attempts);
}

bool HttpRequest::PostBytes(std::string_view address, Bytes body,
                            std::optional<std::string> cookies, std::optional<std::string> headers,
                            std::optional<std::string> proxy, int attempts) {
  return Request(Attempt::PostBytes, address, nullptr, &body, cookies, headers, proxy, attempts);
}

// ---- private routines --------------------------------------------------------------------

bool HttpRequest::SplitUrl(std::string_view address, UrlParts& parts) {
  if (address.empty()) return false;
  std::size_t hostStart = 0;
  if (StartsWithIgnoreCase(address, "https://")) {
    parts.scheme = "https://";
    hostStart = 8;
  } else if (StartsWithIgnoreCase(address, "http://")) {
    parts.scheme = "http://";
    hostStart = 7;
  } else {
    parts.scheme = "http://";
  }
  std::size_t slash = Find(address, "/", hostStart);
  std::size_t colon = Find(address, ":", hostStart);
  bool explicitPort = colon != kNotFound && (slash == kNotFound || colon < slash);
  if (explicitPort) {
    parts.port =
        std::string(address.substr(colon + 1, slash == kNotFound ? kNotFound : slash - colon - 1));
    parts.host = std::string(address.substr(hostStart, colon - hostStart));
  } else {
    parts.port = parts.scheme == "https://" ? "443" : "80";
    parts.host =
        std::string(address.substr(hostStart, slash == kNotFound ? kNotFound : slash - hostStart));
  }
  if (slash == kNotFound) {
    parts.path = "/";
  } else {
    std::string_view path = address.substr(slash);
    parts.path = std::string(path.substr(0, path.find('#')));
  }
  return true;
}

std::string HttpRequest::DecodeUtf8(const Bytes& bytes) {
  if (bytes.empty()) return {};
  return platform::Utf8ToGbk(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace brisklet::net
