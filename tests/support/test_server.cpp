// The scripted test server: an accept thread, and a thread per connection that reads requests,
// asks the route for a reply and writes it, faults included.
#include "tests/support/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "tests/support/tls_identity.h"

namespace brisklet::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kChunk = 256 * 1024;

const char* ReasonOf(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 416: return "Range Not Satisfiable";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
  }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool ContainsToken(std::string_view list, std::string_view token) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = std::min(list.find(',', start), list.size());
    std::string_view item = list.substr(start, end - start);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (EqualsIgnoringCase(item, token)) return true;
    start = end + 1;
  }
  return false;
}

bool HasHeader(const std::vector<std::pair<std::string, std::string>>& headers,
               std::string_view name) {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& header) { return EqualsIgnoringCase(header.first, name); });
}

// One accepted socket, plain or TLS. Blocking I/O: the server's destructor unblocks it by
// shutting the socket down.
class Channel {
 public:
  Channel(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
  ~Channel() { SSL_free(ssl_); }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  bool Handshake() { return ssl_ == nullptr || SSL_accept(ssl_) == 1; }

  // Bytes read, 0 at the end of the stream or on any error.
  std::size_t Read(char* out, std::size_t n) {
    if (ssl_ != nullptr) {
      std::size_t got = 0;
      return SSL_read_ex(ssl_, out, n, &got) == 1 ? got : 0;
    }
    for (;;) {
      ssize_t got = recv(fd_, out, n, 0);
      if (got < 0 && errno == EINTR) continue;
      return got > 0 ? static_cast<std::size_t>(got) : 0;
    }
  }

  bool Write(std::string_view data) {
    while (!data.empty()) {
      std::size_t sent = 0;
      if (ssl_ != nullptr) {
        if (SSL_write_ex(ssl_, data.data(), data.size(), &sent) != 1) return false;
      } else {
        ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent = static_cast<std::size_t>(n);
      }
      data.remove_prefix(sent);
    }
    return true;
  }

  // An orderly end: TLS close_notify, then FIN.
  void Finish() {
    if (ssl_ != nullptr && !reset_) SSL_shutdown(ssl_);
    if (!reset_) shutdown(fd_, SHUT_WR);
  }

  // Makes the final close() send RST instead of FIN.
  void ArmReset() {
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    reset_ = true;
  }

 private:
  int fd_;
  SSL* ssl_;
  bool reset_ = false;
};

std::string PathOf(std::string_view target) {
  // A proxy request names the whole address; route on its path.
  if (auto scheme = target.find("://"); scheme != std::string_view::npos && target[0] != '/') {
    auto slash = target.find('/', scheme + 3);
    target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
  }
  return std::string(target.substr(0, target.find('?')));
}

bool ParseHead(std::string_view head, Request& request) {
  auto lineEnd = head.find("\r\n");
  std::string_view line = head.substr(0, lineEnd);
  auto sp1 = line.find(' ');
  auto sp2 = line.rfind(' ');
  if (sp1 == std::string_view::npos || sp2 == sp1) return false;
  request.method = std::string(line.substr(0, sp1));
  request.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
  request.version = std::string(line.substr(sp2 + 1));
  request.path = PathOf(request.target);
  std::size_t pos = lineEnd == std::string_view::npos ? head.size() : lineEnd + 2;
  while (pos < head.size()) {
    auto end = std::min(head.find("\r\n", pos), head.size());
    std::string_view field = head.substr(pos, end - pos);
    pos = end + 2;
    auto colon = field.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = field.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    request.headers.emplace_back(std::string(field.substr(0, colon)), std::string(value));
  }
  return true;
}

// Reads from the channel into `buffer` until it holds `needed` bytes.
bool Fill(Channel& channel, std::string& buffer, std::size_t needed) {
  char chunk[16 * 1024];
  while (buffer.size() < needed) {
    std::size_t got = channel.Read(chunk, sizeof chunk);
    if (got == 0) return false;
    buffer.append(chunk, got);
  }
  return true;
}

// Reads up to and including the next CRLF.
std::optional<std::string> ReadLine(Channel& channel, std::string& buffer) {
  char chunk[4096];
  for (;;) {
    if (auto end = buffer.find("\r\n"); end != std::string::npos) {
      std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 2);
      return line;
    }
    if (buffer.size() > kMaxHead) return std::nullopt;
    std::size_t got = channel.Read(chunk, sizeof chunk);
    if (got == 0) return std::nullopt;
    buffer.append(chunk, got);
  }
}

bool ReadChunkedBody(Channel& channel, std::string& buffer, std::string& body) {
  for (;;) {
    auto line = ReadLine(channel, buffer);
    if (!line) return false;
    std::size_t size = std::strtoull(line->c_str(), nullptr, 16);
    if (size == 0) {
      for (;;) {  // trailers up to the blank line
        auto trailer = ReadLine(channel, buffer);
        if (!trailer) return false;
        if (trailer->empty()) return true;
      }
    }
    if (!Fill(channel, buffer, size + 2)) return false;
    body.append(buffer, 0, size);
    buffer.erase(0, size + 2);
  }
}

std::string StatusLine(const Reply& reply) {
  std::string reason = reply.reason.empty() ? ReasonOf(reply.status) : reply.reason;
  return "HTTP/1.1 " + std::to_string(reply.status) + " " + reason + "\r\n";
}

bool StatusHasNoBody(int status) { return status / 100 == 1 || status == 204 || status == 304; }

}  // namespace

struct TestServer::Impl {
  Options options;
  TlsIdentity tls;
  int listenFd = -1;
  std::uint16_t port = 0;
  std::thread acceptor;

  mutable std::mutex mutex;
  std::condition_variable wake;  // stalls and throttles wait on it; notified when stopping
  mutable std::condition_variable logged;  // notified for every request logged
  bool stopping = false;
  std::map<std::string, Handler, std::less<>> routes;
  std::vector<Request> log;
  int connections = 0;
  std::set<int> openFds;

  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Worker> workers;  // only the acceptor touches it until it has been joined

  void Start();
  void Stop();
  void AcceptLoop();
  void Serve(int fd, int number);
  std::optional<Request> ReadRequest(Channel& channel, std::string& buffer, int number);
  Reply Answer(const Request& request);
  bool SendReply(Channel& channel, const Request& request, const Reply& reply, bool& keepOpen);
  bool SendBody(Channel& channel, const Reply& reply);
  // Waits until the deadline; false when the server is stopping.
  bool PauseUntil(Clock::time_point deadline);
  bool Pause(int ms) { return PauseUntil(Clock::now() + std::chrono::milliseconds(ms)); }
  void ReapFinishedWorkers();
};

void TestServer::Impl::Start() {
  if (options.tls) {
    tls = MakeSelfSignedIdentity();
    if (!tls.context) {
      std::fprintf(stderr, "test server: no TLS identity: %s\n", tls.error.c_str());
      std::abort();
    }
  }
  listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the kernel picks a free port
  socklen_t length = sizeof address;
  if (listenFd < 0 || bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd, 128) != 0 ||
      getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("test server: listen on 127.0.0.1");
    std::abort();
  }
  port = ntohs(address.sin_port);
  acceptor = std::thread([this] { AcceptLoop(); });
}

void TestServer::Impl::Stop() {
  {
    std::lock_guard lock(mutex);
    stopping = true;
  }
  wake.notify_all();
  shutdown(listenFd, SHUT_RDWR);  // wakes accept()
  acceptor.join();
  close(listenFd);
  {
    std::lock_guard lock(mutex);
    for (int fd : openFds) shutdown(fd, SHUT_RDWR);  // wakes blocked reads and writes
  }
  for (auto& worker : workers) worker.thread.join();
  workers.clear();
}

void TestServer::Impl::ReapFinishedWorkers() {
  for (auto it = workers.begin(); it != workers.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers.erase(it);
    } else {
      ++it;
    }
  }
}

void TestServer::Impl::AcceptLoop() {
  for (;;) {
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      std::lock_guard lock(mutex);
      if (stopping) return;
      if (errno == EMFILE || errno == ENFILE) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    int number = 0;
    {
      std::lock_guard lock(mutex);
      if (stopping) {
        close(fd);
        return;
      }
      number = ++connections;
      openFds.insert(fd);
    }
    ReapFinishedWorkers();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, fd, number, done] {
      Serve(fd, number);
      done->store(true);
    });
    workers.push_back(Worker{std::move(thread), std::move(done)});
  }
}

void TestServer::Impl::Serve(int fd, int number) {
  // A peer that has gone makes writes fail with EPIPE on this thread instead of killing the
  // test (OpenSSL writes with write(), which cannot be told MSG_NOSIGNAL).
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

  SSL* ssl = nullptr;
  if (tls.context) {
    ssl = SSL_new(tls.context.get());
    SSL_set_fd(ssl, fd);
  }
  {
    Channel channel(fd, ssl);
    if (channel.Handshake()) {
      std::string buffer;
      bool keepOpen = true;
      while (keepOpen) {
        auto request = ReadRequest(channel, buffer, number);
        if (!request) break;
        Reply reply = Answer(*request);
        if (!SendReply(channel, *request, reply, keepOpen)) break;
      }
    }
    channel.Finish();
  }
  std::lock_guard lock(mutex);
  openFds.erase(fd);
  close(fd);  // under the lock, so Stop() never shuts down a reused descriptor
}

std::optional<Request> TestServer::Impl::ReadRequest(Channel& channel, std::string& buffer,
                                                     int number) {
  char chunk[16 * 1024];
  std::size_t headEnd;
  while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (buffer.size() > kMaxHead) return std::nullopt;
    std::size_t got = channel.Read(chunk, sizeof chunk);
    if (got == 0) return std::nullopt;
    buffer.append(chunk, got);
  }
  Request request;
  request.connection = number;
  request.head = buffer.substr(0, headEnd + 4);
  buffer.erase(0, headEnd + 4);
  if (!ParseHead(request.head, request)) return std::nullopt;

  if (EqualsIgnoringCase(request.Header("Expect"), "100-continue") &&
      !channel.Write("HTTP/1.1 100 Continue\r\n\r\n")) {
    return std::nullopt;
  }
  if (ContainsToken(request.Header("Transfer-Encoding"), "chunked")) {
    if (!ReadChunkedBody(channel, buffer, request.body)) return std::nullopt;
  } else if (request.HasHeader("Content-Length")) {
    std::size_t length = std::strtoull(request.Header("Content-Length").c_str(), nullptr, 10);
    if (!Fill(channel, buffer, length)) return std::nullopt;
    request.body = buffer.substr(0, length);
    buffer.erase(0, length);
  }
  {
    std::lock_guard lock(mutex);
    log.push_back(request);
  }
  logged.notify_all();
  return request;
}

Reply TestServer::Impl::Answer(const Request& request) {
  Handler handler;
  {
    std::lock_guard lock(mutex);
    if (auto it = routes.find(request.path); it != routes.end()) handler = it->second;
  }
  if (!handler) {
    Reply missing;
    missing.status = 404;
    missing.body = "no route for " + request.path + "\n";
    return missing;
  }
  return handler(request);
}

bool TestServer::Impl::SendReply(Channel& channel, const Request& request, const Reply& reply,
                                 bool& keepOpen) {
  if (reply.stallMs > 0 && reply.stallAfter < 0 && !Pause(reply.stallMs)) return false;
  if (reply.noReply) {
    if (reply.reset) channel.ArmReset();
    return false;
  }
  const bool streamed = static_cast<bool>(reply.stream.at);
  const std::uint64_t size = streamed ? reply.stream.size : reply.body.size();
  const bool noBody = StatusHasNoBody(reply.status);
  const bool sendsLength = reply.contentLength && !reply.chunked && !noBody;
  const bool delimited = noBody || reply.chunked || sendsLength ||
                         HasHeader(reply.headers, "Content-Length");

  bool wantsClose = ContainsToken(request.Header("Connection"), "close");
  if (request.version == "HTTP/1.0") {
    wantsClose = !ContainsToken(request.Header("Connection"), "keep-alive");
  }
  keepOpen = options.keepAlive && !reply.close && !wantsClose && delimited &&
             reply.cutAfter < 0 && !reply.reset;

  std::string head = StatusLine(reply);
  for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
  if (sendsLength && !HasHeader(reply.headers, "Content-Length")) {
    head += "Content-Length: " + std::to_string(size) + "\r\n";
  }
  if (reply.chunked && !HasHeader(reply.headers, "Transfer-Encoding")) {
    head += "Transfer-Encoding: chunked\r\n";
  }
  if (!keepOpen && !HasHeader(reply.headers, "Connection")) head += "Connection: close\r\n";
  head += "\r\n";
  if (!channel.Write(head)) return false;

  bool bodyDone = true;
  if (request.method != "HEAD" && !noBody) bodyDone = SendBody(channel, reply);
  if (reply.reset) channel.ArmReset();
  return bodyDone && keepOpen;
}

bool TestServer::Impl::SendBody(Channel& channel, const Reply& reply) {
  const bool streamed = static_cast<bool>(reply.stream.at);
  const std::uint64_t size = streamed ? reply.stream.size : reply.body.size();
  const std::uint64_t end =
      reply.cutAfter >= 0 ? std::min<std::uint64_t>(size, reply.cutAfter) : size;
  const bool stallInside = reply.stallMs > 0 && reply.stallAfter >= 0 &&
                           static_cast<std::uint64_t>(reply.stallAfter) <= end;
  std::size_t step = kChunk;
  if (reply.bytesPerSecond > 0) {  // small steps keep the rate even
    step = std::clamp<std::size_t>(static_cast<std::size_t>(reply.bytesPerSecond / 50), 1, kChunk);
  }
  std::string buffer(step, '\0');
  const auto start = Clock::now();
  std::uint64_t sent = 0;
  bool stalled = false;
  while (sent < end || (stallInside && !stalled && sent == end)) {
    if (stallInside && !stalled && sent >= static_cast<std::uint64_t>(reply.stallAfter)) {
      stalled = true;
      if (!Pause(reply.stallMs)) return false;
      continue;
    }
    std::uint64_t until = end;
    if (stallInside && !stalled) until = std::min<std::uint64_t>(until, reply.stallAfter);
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(step, until - sent));
    if (streamed) {
      reply.stream.at(sent, buffer.data(), n);
    } else {
      buffer.assign(reply.body, sent, n);
    }
    std::string_view data(buffer.data(), n);
    if (reply.chunked) {
      char size_line[32];
      std::snprintf(size_line, sizeof size_line, "%zx\r\n", n);
      if (!channel.Write(size_line) || !channel.Write(data) || !channel.Write("\r\n")) return false;
    } else if (!channel.Write(data)) {
      return false;
    }
    sent += n;
    if (reply.bytesPerSecond > 0) {
      auto due = start + std::chrono::microseconds(sent * 1'000'000 / reply.bytesPerSecond);
      if (!PauseUntil(due)) return false;
    }
  }
  if (reply.cutAfter >= 0) return false;
  return !reply.chunked || channel.Write("0\r\n\r\n");
}

bool TestServer::Impl::PauseUntil(Clock::time_point deadline) {
  std::unique_lock lock(mutex);
  return !wake.wait_until(lock, deadline, [this] { return stopping; });
}

std::uint16_t ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  std::uint16_t port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);  // bound but never listening: nothing ever accepted on it
  return port;
}

TestServer::TestServer() : TestServer(Options{}) {}

TestServer::TestServer(Options options) : impl_(std::make_unique<Impl>()) {
  impl_->options = options;
  impl_->Start();
}

TestServer::~TestServer() { impl_->Stop(); }

std::uint16_t TestServer::Port() const { return impl_->port; }

std::string TestServer::BaseUrl() const {
  return std::string(impl_->options.tls ? "https" : "http") + "://127.0.0.1:" +
         std::to_string(impl_->port);
}

std::string TestServer::CertificatePem() const { return impl_->tls.certificatePem; }

void TestServer::Route(std::string path, Handler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->routes[std::move(path)] = std::move(handler);
}

void TestServer::ServeFile(std::string path, BodySource file, FileOptions options) {
  Route(std::move(path), [file = std::move(file), options = std::move(options)](
                             const Request& request) { return FileReply(request, file, options); });
}

std::vector<Request> TestServer::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log;
}

int TestServer::ConnectionCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->connections;
}

bool TestServer::WaitForRequests(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->logged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return impl_->log.size() >= count; });
}

void TestServer::ClearLog() {
  std::lock_guard lock(impl_->mutex);
  impl_->log.clear();
}

}  // namespace brisklet::test
