#include "platform/http/http_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/ascii.h"
#include "platform/http/easy_pool.h"

namespace brisklet::platform::http {
namespace {

using Clock = std::chrono::steady_clock;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

bool HasHeader(const std::vector<Header>& headers, std::string_view name) {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const Header& h) { return EqualsIgnoreAsciiCase(h.name, name); });
}

// What one running transfer needs in libcurl's callbacks.
struct Exchange {
  const TransferOptions& options;
  const BodySink& onBody;
  const HeadersSink& onHeaders;
  const std::atomic<bool>* abort;
  CURL* easy;
  TransferResult result;

  bool headsDelivered = false;
  bool stoppedByCaller = false;
  bool timedOut = false;
  bool connected = false;  // a connection to the server (or proxy) is up for this request
  bool anyResponse = false;
  Clock::time_point lastActivity = Clock::now();
  curl_off_t lastUp = 0, lastDown = 0;

  bool AbortRequested() const { return abort && abort->load(std::memory_order_relaxed); }

  // Hands status and headers over once, before the first body byte (or at the end when
  // there is no body). False when the caller wants no more.
  bool DeliverHead() {
    if (headsDelivered) return true;
    headsDelivered = true;
    char* effective = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
      result.effectiveUrl = effective;
    if (onHeaders && !onHeaders(result)) {
      stoppedByCaller = true;
      return false;
    }
    return true;
  }

  void StartResponse(std::string_view line) {
    anyResponse = true;
    result.rawHeaders.clear();
    result.headers.clear();
    result.statusLine = std::string(Trim(line));
    std::string_view rest = result.statusLine;
    auto space = rest.find(' ');
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    int status = 0;
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 3 && rest[digits] >= '0' && rest[digits] <= '9')
      status = status * 10 + (rest[digits++] - '0');
    result.status = status;
    result.statusText = std::string(Trim(rest.substr(digits)));
  }

  void AddHeaderLine(std::string_view line) {
    std::string_view content = line;
    while (!content.empty() && (content.back() == '\r' || content.back() == '\n'))
      content.remove_suffix(1);
    result.rawHeaders.append(content).append("\r\n");
    auto colon = content.find(':');
    if (colon == std::string_view::npos) return;
    result.headers.push_back({std::string(Trim(content.substr(0, colon))),
                              std::string(Trim(content.substr(colon + 1)))});
  }

  // The limit on silence now: the send time-out while the request body is still going out,
  // the receive time-out afterwards.
  int SilenceLimitMs(curl_off_t uploaded) const {
    if (options.hasBody && uploaded < static_cast<curl_off_t>(options.body.size()))
      return options.sendTimeoutMs;
    return options.receiveTimeoutMs;
  }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& x = *static_cast<Exchange*>(user);
  std::string_view line(data, size * count);
  x.lastActivity = Clock::now();
  if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
    x.StartResponse(line);
  } else if (Trim(line).empty()) {
    // the blank line ending a header block
  } else {
    x.AddHeaderLine(line);
  }
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& x = *static_cast<Exchange*>(user);
  // libcurl passes only the final response's body here: bodies of followed redirects are
  // skipped, so the head of the response in hand is the final one.
  x.lastActivity = Clock::now();
  std::size_t n = size * count;
  if (x.AbortRequested()) {
    x.stoppedByCaller = true;
    return 0;
  }
  if (!x.DeliverHead()) return 0;
  if (n == 0) return 0;
  if (x.onBody && !x.onBody(reinterpret_cast<const std::uint8_t*>(data), n)) {
    x.stoppedByCaller = true;
    return 0;
  }
  x.result.bodyBytes += static_cast<std::int64_t>(n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto& x = *static_cast<Exchange*>(user);
  if (x.AbortRequested()) {
    x.stoppedByCaller = true;
    return 1;
  }
  auto now = Clock::now();
  if (downloaded != x.lastDown || uploaded != x.lastUp) {
    x.lastDown = downloaded;
    x.lastUp = uploaded;
    x.lastActivity = now;
  }
  if (!x.connected) return 0;  // the connect time-out of libcurl covers that phase
  int limit = x.SilenceLimitMs(uploaded);
  if (limit > 0 && now - x.lastActivity > std::chrono::milliseconds(limit)) {
    x.timedOut = true;
    return 1;
  }
  return 0;
}

int OnConnected(void* user, char*, char*, int, int) {
  auto& x = *static_cast<Exchange*>(user);
  x.connected = true;
  x.lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

class HeaderList {
 public:
  ~HeaderList() { curl_slist_free_all(list_); }
  void Add(const std::string& line) { list_ = curl_slist_append(list_, line.c_str()); }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

void BuildHeaders(const TransferOptions& o, HeaderList& list) {
  for (const auto& h : o.headers) {
    if (h.name.empty()) continue;
    // "Name;" is libcurl's way of sending a header with an empty value.
    list.Add(h.value.empty() ? h.name + ";" : h.name + ": " + h.value);
  }
  // libcurl would add these of its own; the request goes out with the caller's headers only.
  if (!HasHeader(o.headers, "Accept")) list.Add("Accept:");
  if (!HasHeader(o.headers, "Expect")) list.Add("Expect:");
  if (o.hasBody && !HasHeader(o.headers, "Content-Type")) list.Add("Content-Type:");
}

void SetMethod(CURL* easy, const TransferOptions& o) {
  std::string method = o.method.empty() ? "GET" : o.method;
  if (o.hasBody || method == "POST") {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(o.body.size()));
    static const char kEmpty[] = "";
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                     o.body.empty() ? kEmpty : reinterpret_cast<const char*>(o.body.data()));
    if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
}

void SetOptions(CURL* easy, const TransferOptions& o, Exchange& x, const HeaderList& headers,
                char* errorBuffer) {
  curl_easy_setopt(easy, CURLOPT_URL, o.url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);  // bytes as the server sent them
  // Larger reads than libcurl's 16 KiB: a bulk download then costs a quarter of the receive
  // calls and body callbacks, for 128 KiB of buffer per handle in use.
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 128L * 1024);
  SetMethod(easy, o);

  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &x);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &x);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &x);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &x);

  long connectMs = 0;
  if (o.resolveTimeoutMs > 0 && o.connectTimeoutMs > 0)
    connectMs = o.resolveTimeoutMs + o.connectTimeoutMs;
  else if (o.resolveTimeoutMs > 0 || o.connectTimeoutMs > 0)
    connectMs = std::max(o.resolveTimeoutMs, o.connectTimeoutMs);
  if (connectMs > 0) curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);

  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, o.followRedirects ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(o.maxRedirects));
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, o.ignoreCertErrors ? 0L : 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, o.ignoreCertErrors ? 0L : 2L);

  if (!o.proxy.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXY, o.proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!o.proxyUser.empty() || !o.proxyPassword.empty()) {
      curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, o.proxyUser.c_str());
      curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, o.proxyPassword.c_str());
    }
  } else {
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // direct, whatever the environment says
  }
  if (!o.serverUser.empty() || !o.serverPassword.empty()) {
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(easy, CURLOPT_USERNAME, o.serverUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, o.serverPassword.c_str());
  }
}

TransferError ErrorOf(CURLcode code, const Exchange& x) {
  switch (code) {
    case CURLE_OK:
      return TransferError::None;
    case CURLE_ABORTED_BY_CALLBACK:
      return x.timedOut ? TransferError::Timeout : TransferError::Aborted;
    case CURLE_WRITE_ERROR:
      return x.stoppedByCaller ? TransferError::Aborted : TransferError::Other;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return TransferError::Resolve;
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return TransferError::Connect;
    case CURLE_OPERATION_TIMEDOUT:
      // libcurl's own time-out is the connect time-out: no connection came up.
      return x.connected ? TransferError::Timeout : TransferError::Connect;
    case CURLE_SEND_ERROR:
      return TransferError::Send;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
      return TransferError::Receive;
    default:
      return TransferError::Other;
  }
}

}  // namespace

std::string TransferResult::Header(std::string_view name) const {
  for (const auto& h : headers)
    if (EqualsIgnoreAsciiCase(h.name, name)) return h.value;
  return {};
}

TransferResult Transfer(const TransferOptions& options, const BodySink& onBody,
                        const HeadersSink& onHeaders, const std::atomic<bool>* abort) {
  BorrowedEasy easy(OriginKey(options.url, options.proxy));
  Exchange x{options, onBody, onHeaders, abort, easy.get(), {}};
  HeaderList headers;
  BuildHeaders(options, headers);
  char errorBuffer[CURL_ERROR_SIZE] = {};
  SetOptions(easy.get(), options, x, headers, errorBuffer);

  CURLcode code = curl_easy_perform(easy.get());
  if (code == CURLE_OK && !x.DeliverHead()) code = CURLE_WRITE_ERROR;
  if (x.result.effectiveUrl.empty()) {
    char* effective = nullptr;
    if (curl_easy_getinfo(easy.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
      x.result.effectiveUrl = effective;
  }
  x.result.error = ErrorOf(code, x);
  if (code != CURLE_OK) {
    x.result.errorText = curl_easy_strerror(code);
    if (errorBuffer[0] != '\0') x.result.errorText += std::string(": ") + errorBuffer;
  }
  if (!x.anyResponse) x.result.status = 0;
  return std::move(x.result);
}

void GlobalInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }

}  // namespace brisklet::platform::http
