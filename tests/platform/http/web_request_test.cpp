#include "platform/http/web_request.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/http/cookie_store.h"
#include "tests/support/test_server.h"

namespace brisklet::platform::http {
namespace {

using test::Reply;
using test::Request;
using test::TestServer;

TEST(WebRequest, AsynchronousSendIsWaitedFor) {
  TestServer server;
  server.Route("/slow", [](const Request&) { return Reply{.body = "done", .stallMs = 300}; });
  WebRequest request;
  request.Open("GET", server.Url("/slow"), true);
  request.Send();
  EXPECT_FALSE(request.WaitForResponse(0));
  EXPECT_TRUE(request.WaitForResponse(5));
  EXPECT_EQ(request.Status(), 200);
  EXPECT_EQ(ToText(request.ResponseBody()), "done");
}

TEST(WebRequest, AbortEndsAnAsynchronousSend) {
  TestServer server;
  server.Route("/slow", [](const Request&) { return Reply{.body = "late", .stallMs = 5000}; });
  WebRequest request;
  request.Open("GET", server.Url("/slow"), true);
  request.Send();
  auto start = std::chrono::steady_clock::now();
  request.Abort();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(request.Status(), 0);
  EXPECT_EQ(request.LastSendError(), TransferError::Aborted);
}

TEST(WebRequest, AFailedSendLeavesNoResponse) {
  TestServer server;
  server.Route("/cut", [](const Request&) {
    return Reply{.headers = {{"X-Seen", "1"}}, .body = std::string(4000, 'c'), .cutAfter = 50};
  });
  WebRequest request;
  request.Open("GET", server.Url("/cut"));
  request.Send();
  EXPECT_EQ(request.Status(), 0);
  EXPECT_EQ(request.GetResponseHeader("X-Seen"), "");
  EXPECT_TRUE(request.ResponseBody().empty());
  EXPECT_EQ(request.LastSendError(), TransferError::Receive);
  EXPECT_FALSE(request.LastError().empty());
}

TEST(WebRequest, ResponseTextFollowsTheContentTypeCharset) {
  TestServer server;
  const std::string utf8 = "\xE4\xB8\xAD";
  server.Route("/u", [&](const Request&) { return Reply{.body = utf8}; });
  server.Route("/g", [](const Request&) {
    return Reply{.headers = {{"Content-Type", "text/plain; charset=GBK"}}, .body = "\xD6\xD0"};
  });
  WebRequest request;
  for (const char* path : {"/u", "/g"}) {
    request.Open("GET", server.Url(path));
    request.Send();
    EXPECT_EQ(request.ResponseText(), "\xD6\xD0") << path;
  }
}

TEST(CookieStore, KeepsCookiesPerHost) {
  ClearCookieStore();
  StoreCookie("http://Example.test:81/a", "a", "1");
  StoreCookie("https://example.test/b", "b", "2");
  StoreCookie("http://other.test/", "c", "3");
  StoreCookie("http://example.test/", "a", "9");
  EXPECT_EQ(CookiesFor("http://example.test/x"), "a=9; b=2");
  StoreCookie("http://example.test/", "a", "");
  EXPECT_EQ(CookiesFor("http://EXAMPLE.test"), "b=2");
  EXPECT_EQ(CookiesFor("http://none.test/"), "");
}

}  // namespace
}  // namespace brisklet::platform::http
