#include "platform/http/http_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/test_server.h"

namespace brisklet::platform::http {
namespace {

using test::Reply;
using test::Request;
using test::TestServer;

struct Fetched {
  TransferResult result;
  std::string body;
};

Fetched Fetch(TransferOptions options) {
  Fetched out;
  out.result = Transfer(options, [&](const std::uint8_t* data, std::size_t size) {
    out.body.append(reinterpret_cast<const char*>(data), size);
    return true;
  });
  return out;
}

TransferOptions Get(const std::string& url) {
  TransferOptions o;
  o.url = url;
  return o;
}

// A port on 127.0.0.1 that nothing listens on.
class TransferTest : public testing::TestWithParam<bool> {
 protected:
  TestServer server{TestServer::Options{.tls = GetParam()}};
};

TEST_P(TransferTest, SendsOnlyTheCallersHeadersAndHandsBackTheAnswer) {
  server.Route("/page", [](const Request&) {
    return Reply{.status = 203,
                 .reason = "Fine Indeed",
                 .headers = {{"X-One", "1"}, {"Set-Cookie", "a=1; path=/"}},
                 .body = "hello"};
  });
  TransferOptions o = Get(server.Url("/page?q=1"));
  o.headers = {{"User-Agent", "ua"}, {"Range", "bytes=0-"}};
  Fetched f = Fetch(o);

  ASSERT_TRUE(f.result.ok()) << f.result.errorText;
  EXPECT_EQ(f.result.status, 203);
  EXPECT_EQ(f.result.statusText, "Fine Indeed");
  EXPECT_EQ(f.result.statusLine, "HTTP/1.1 203 Fine Indeed");
  EXPECT_EQ(f.body, "hello");
  EXPECT_EQ(f.result.Header("x-one"), "1");
  EXPECT_NE(f.result.rawHeaders.find("Set-Cookie: a=1; path=/\r\n"), std::string::npos);
  EXPECT_EQ(f.result.rawHeaders.substr(f.result.rawHeaders.size() - 2), "\r\n");

  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/page?q=1");
  std::vector<std::string> names;
  for (const auto& [name, value] : requests[0].headers) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"Host", "User-Agent", "Range"}));
}

TEST_P(TransferTest, PostSendsTheBodyWithoutAddingAContentType) {
  server.Route("/post", [](const Request& r) { return Reply{.body = r.body}; });
  TransferOptions o = Get(server.Url("/post"));
  o.method = "POST";
  o.hasBody = true;
  std::string payload(70000, 'p');  // large enough that libcurl would otherwise send Expect
  o.body = ToBytes(payload);
  Fetched f = Fetch(o);
  ASSERT_TRUE(f.result.ok()) << f.result.errorText;
  EXPECT_EQ(f.body.size(), payload.size());
  auto r = server.Requests().at(0);
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.body, payload);
  EXPECT_FALSE(r.HasHeader("Content-Type"));
  EXPECT_FALSE(r.HasHeader("Expect"));
}

TEST_P(TransferTest, SequentialTransfersReuseOneConnection) {
  server.Route("/small", [](const Request&) { return Reply{.body = "x"}; });
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Fetch(Get(server.Url("/small"))).result.ok());
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_P(TransferTest, ThreadsReuseConnectionsWithoutSharingOneAtATime) {
  server.Route("/small", [](const Request&) { return Reply{.body = "x"}; });
  constexpr int kThreads = 4;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i)
        if (!Fetch(Get(server.Url("/small"))).result.ok()) ++failures;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_LE(server.ConnectionCount(), kThreads);
  EXPECT_EQ(server.Requests().size(), 40u);
}

TEST_P(TransferTest, KeepsContentEncodedBytesAsReceived) {
  const std::string raw = std::string("\x1f\x8b\x08\x00", 4) + "not really gzip";
  server.Route("/z", [&](const Request&) {
    return Reply{.headers = {{"Content-Encoding", "gzip"}}, .body = raw};
  });
  Fetched f = Fetch(Get(server.Url("/z")));
  ASSERT_TRUE(f.result.ok()) << f.result.errorText;
  EXPECT_EQ(f.body, raw);
  EXPECT_FALSE(server.Requests().at(0).HasHeader("Accept-Encoding"));
}

struct BrokenCase {
  const char* name;
  Reply reply;
  TransferError expected;
};

TEST_P(TransferTest, ABrokenAnswerIsAnErrorNeverSuccess) {
  const BrokenCase cases[] = {
      {"short body", Reply{.body = std::string(1000, 'b'), .cutAfter = 10}, TransferError::Receive},
      {"short body reset", Reply{.body = std::string(1000, 'b'), .cutAfter = 10, .reset = true},
       TransferError::Receive},
      {"cut chunked", Reply{.body = std::string(1000, 'b'), .chunked = true, .cutAfter = 10},
       TransferError::Receive},
      {"no reply", Reply{.noReply = true}, TransferError::Receive},
  };
  for (const auto& c : cases) {
    TestServer fresh{TestServer::Options{.tls = GetParam()}};
    fresh.Route("/b", [&](const Request&) { return c.reply; });
    Fetched f = Fetch(Get(fresh.Url("/b")));
    EXPECT_EQ(f.result.error, c.expected) << c.name << ": " << f.result.errorText;
    EXPECT_FALSE(f.result.errorText.empty()) << c.name;
  }
}

TEST_P(TransferTest, SilenceLongerThanTheReceiveTimeoutIsATimeout) {
  server.Route("/slow", [](const Request&) { return Reply{.body = "late", .stallMs = 4000}; });
  TransferOptions o = Get(server.Url("/slow"));
  o.receiveTimeoutMs = 300;
  auto start = std::chrono::steady_clock::now();
  Fetched f = Fetch(o);
  EXPECT_EQ(f.result.error, TransferError::Timeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

TEST_P(TransferTest, FollowsRedirectsOnlyWhenAsked) {
  server.Route("/from", [](const Request&) {
    return Reply{.status = 302, .headers = {{"Location", "/to"}}, .body = "moved"};
  });
  server.Route("/to", [](const Request&) { return Reply{.body = "arrived"}; });
  TransferOptions o = Get(server.Url("/from"));
  Fetched followed = Fetch(o);
  EXPECT_EQ(followed.result.status, 200);
  EXPECT_EQ(followed.body, "arrived");
  EXPECT_EQ(followed.result.effectiveUrl, server.Url("/to"));
  EXPECT_EQ(followed.result.Header("Location"), "");

  o.followRedirects = false;
  Fetched kept = Fetch(o);
  EXPECT_EQ(kept.result.status, 302);
  EXPECT_EQ(kept.body, "moved");
  EXPECT_EQ(kept.result.Header("Location"), "/to");
}

TEST_P(TransferTest, SinksStopTheTransfer) {
  server.Route("/big", [](const Request&) { return Reply{.body = std::string(1 << 20, 'b')}; });
  std::int64_t seen = 0;
  TransferResult byBody =
      Transfer(Get(server.Url("/big")), [&](const std::uint8_t*, std::size_t n) {
        seen += static_cast<std::int64_t>(n);
        return false;
      });
  EXPECT_EQ(byBody.error, TransferError::Aborted);
  EXPECT_LT(seen, 1 << 20);

  bool bodySeen = false;
  TransferResult byHead = Transfer(
      Get(server.Url("/big")), [&](const std::uint8_t*, std::size_t) { return bodySeen = true; },
      [](const TransferResult& head) { return head.status != 200; });
  EXPECT_EQ(byHead.error, TransferError::Aborted);
  EXPECT_EQ(byHead.status, 200);
  EXPECT_FALSE(bodySeen);

  std::atomic<bool> abort{true};
  TransferResult byFlag = Transfer(
      Get(server.Url("/big")), [](const std::uint8_t*, std::size_t) { return true; }, {}, &abort);
  EXPECT_EQ(byFlag.error, TransferError::Aborted);
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, TransferTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });

TEST(TransferFailure, AClosedPortIsAConnectErrorWithoutAStatus) {
  TransferResult r = Transfer(Get("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/"),
                              [](const std::uint8_t*, std::size_t) { return true; });
  EXPECT_EQ(r.error, TransferError::Connect);
  EXPECT_EQ(r.status, 0);
}

TEST(TransferFailure, VerifiedTlsRejectsASelfSignedCertificate) {
  TestServer server{TestServer::Options{.tls = true}};
  TransferOptions o = Get(server.Url("/"));
  o.ignoreCertErrors = false;
  TransferResult r = Transfer(o, [](const std::uint8_t*, std::size_t) { return true; });
  EXPECT_EQ(r.error, TransferError::Connect);
}

}  // namespace
}  // namespace brisklet::platform::http
