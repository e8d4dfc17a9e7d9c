#include <gtest/gtest.h>

#include "net/request_object.h"
#include "platform/http/cookie_store.h"
#include "tests/support/test_server.h"

namespace brisklet::net {
namespace {

using test::Reply;
using test::Request;
using test::TestServer;

using Headers = std::vector<std::pair<std::string, std::string>>;

class CookieKeepingTest : public testing::Test {
 protected:
  CookieKeepingTest() {
    platform::http::ClearCookieStore();
    request.Init();
  }
  // The server answers /set with these headers.
  void Answer(Headers headers) {
    server.Route("/set", [headers](const Request&) { return Reply{.headers = headers}; });
  }
  void Fetch(const std::string& path, bool keepCookies = true) {
    request.Open("GET", server.Url(path));
    request.Send(std::nullopt, keepCookies);
  }
  TestServer server;
  HttpRequest request;
};

TEST_F(CookieKeepingTest, JarMergesResponseCookies) {
  struct Case {
    const char* name;
    const char* jarBefore;
    Headers response;
    bool keepCookies;
    const char* jarAfter;
  };
  const Case cases[] = {
      {"deletion of an unknown cookie is not added",
       "",
       {{"Set-Cookie", "a=1"}, {"Set-Cookie", "b=deleted"}},
       true,
       "a=1"},
      {"empty value kept", "a=1; b=2", {{"Set-Cookie", "b="}}, true, "a=1; b=2"},
      {"empty value taken", "a=1; b=2", {{"Set-Cookie", "b=; path=/"}}, false, "a=1; b="},
      {"deletion removes", "a=1; b=2", {{"Set-Cookie", "b=DELETED"}}, false, "a=1"},
      {"deletion ignored while keeping",
       "a=1; b=2",
       {{"Set-Cookie", "b=Deleted"}},
       true,
       "a=1; b=2"},
      {"replaced in place", "a=1; b=2", {{"Set-Cookie", "a=9; path=/"}}, true, "a=9; b=2"},
      {"capital header name", "", {{"SET-COOKIE", "z=26"}}, true, "z=26"},
      {"no name", "a=1", {{"Set-Cookie", "flag"}}, true, "a=1"},
  };
  request.SetCookieMode(1);
  for (const auto& c : cases) {
    request.JarText(c.jarBefore);
    Answer(c.response);
    Fetch("/set", c.keepCookies);
    EXPECT_EQ(request.JarText(), c.jarAfter) << c.name;
  }
  // The jar still ends with its separator after a removal: a new cookie joins cleanly.
  request.JarText("a=1; b=2");
  Answer({{"Set-Cookie", "b=deleted"}});
  Fetch("/set", false);
  EXPECT_TRUE(request.MergeCookieText("c=3"));
  EXPECT_EQ(request.JarText(), "a=1; c=3");
}

TEST_F(CookieKeepingTest, JarCookiesGoOutWithTheNextRequest) {
  request.SetCookieMode(1);
  request.SetRequestHeader("cookie", "pre=0");  // goes to the jar in mode 1
  Answer({{"Set-Cookie", "a=1; path=/"}});
  Fetch("/set");
  server.Route("/next", [](const Request&) { return Reply{}; });
  Fetch("/next");
  auto requests = server.Requests();
  EXPECT_EQ(requests.at(0).Header("Cookie"), "pre=0");
  EXPECT_EQ(requests.at(1).Header("Cookie"), "pre=0; a=1");
}

TEST_F(CookieKeepingTest, JarOperations) {
  request.SetCookieMode(1);
  EXPECT_EQ(request.JarText("x=1"), "x=1");
  EXPECT_EQ(request.JarText(), "x=1");
  request.JarText("x=1;");
  EXPECT_EQ(request.JarText(), "x=1");

  request.JarText("ab=1; a=2");
  EXPECT_EQ(request.JarCookie("a"), "2");
  EXPECT_EQ(request.JarCookie("a", true), "a=2");
  EXPECT_EQ(request.JarCookie("zz"), "");

  request.JarText("a=1; b=2; c=3");
  EXPECT_TRUE(request.RemoveJarCookies("a; b=9"));
  EXPECT_EQ(request.JarText(), "c=3");
  EXPECT_FALSE(request.RemoveJarCookies("nothing"));

  EXPECT_TRUE(request.MergeCookieText(" c=4;d=5;novalue"));
  EXPECT_EQ(request.JarText(), "c=4; d=5");
  request.JarText("");
  EXPECT_EQ(request.JarText(), "");
}

TEST_F(CookieKeepingTest, ModeZeroSendsTheCallersCookiesAndKeepsNone) {
  server.Route("/m", [](const Request&) { return Reply{.headers = {{"Set-Cookie", "s=1"}}}; });
  request.Open("GET", server.Url("/m"));
  request.SetCookies("a=1");
  request.Send();
  EXPECT_EQ(server.Requests().at(0).Header("Cookie"), "a=1");
  EXPECT_EQ(request.JarText(), "");
  EXPECT_EQ(request.JarCookie("s"), "");
  EXPECT_FALSE(request.MergeCookieText("b=2"));
  Fetch("/m");
  EXPECT_FALSE(server.Requests().at(1).HasHeader("Cookie"));
}

TEST_F(CookieKeepingTest, StoreModeSharesCookiesAcrossObjects) {
  request.SetCookieMode(2);
  Answer({{"Set-Cookie", "s=1; path=/"}, {"Set-Cookie", "gone=deleted"}});
  Fetch("/set");
  request.Open("GET", server.Url("/set"));
  request.SetCookies("t=2; u=3");
  request.Send();

  HttpRequest other;
  other.Init();
  other.SetCookieMode(2);
  server.Route("/other", [](const Request&) { return Reply{}; });
  other.Open("GET", server.Url("/other"));
  other.Send();
  EXPECT_EQ(server.Requests().back().Header("Cookie"), "s=1; t=2; u=3");

  Answer({{"Set-Cookie", "s=deleted"}});
  Fetch("/set", false);
  EXPECT_EQ(platform::http::CookiesFor(server.Url("/")), "t=2; u=3");
}

TEST_F(CookieKeepingTest, ResponseCookieTexts) {
  Answer({{"Set-Cookie", "a=1; path=/"},
          {"Set-Cookie", "b=deleted"},
          {"Set-Cookie", "c"},
          {"set-cookie", "d=4"}});
  Fetch("/set");
  EXPECT_EQ(request.ResponseCookies(), "a=1; c; d=4");
  EXPECT_EQ(request.ResponseCookie("a"), "1");
  EXPECT_EQ(request.ResponseCookie("d"), "4");
  EXPECT_EQ(request.ResponseCookie("x"), "");
}

TEST_F(CookieKeepingTest, RedirectChainIsFollowedByTheObjectWithCookies) {
  server.Route("/a/r1", [](const Request&) {
    return Reply{.status = 302, .headers = {{"Set-Cookie", "c1=1"}, {"Location", "r2"}}};
  });
  server.Route("/a/r2", [this](const Request&) {
    return Reply{.status = 301,
                 .headers = {{"Set-Cookie", "c2=2; path=/"}, {"Location", server.Url("/r3")}}};
  });
  server.Route("/r3", [](const Request&) {
    return Reply{.status = 303, .headers = {{"Location", "/end"}}};
  });
  server.Route("/end", [](const Request&) { return Reply{.body = "end"}; });
  request.SetCookieMode(1);
  request.Open("POST", server.Url("/a/r1"));
  request.Send("x=1");

  EXPECT_EQ(request.Status(), 200);
  EXPECT_EQ(ToText(request.ResponseBody()), "end");
  EXPECT_EQ(request.RedirectCount(), 0);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  std::vector<std::string> paths, cookies, methods;
  for (const auto& r : requests) {
    paths.push_back(r.path);
    cookies.push_back(r.Header("Cookie"));
    methods.push_back(r.method);
  }
  EXPECT_EQ(paths, (std::vector<std::string>{"/a/r1", "/a/r2", "/r3", "/end"}));
  EXPECT_EQ(cookies, (std::vector<std::string>{"", "c1=1", "c1=1; c2=2", "c1=1; c2=2"}));
  EXPECT_EQ(methods, (std::vector<std::string>{"POST", "GET", "GET", "GET"}));
}

TEST_F(CookieKeepingTest, RedirectLoopStopsAfterTwentyHops) {
  server.Route("/loop", [](const Request&) {
    return Reply{.status = 302, .headers = {{"Location", "/loop"}}};
  });
  request.SetCookieMode(1);
  Fetch("/loop");
  EXPECT_EQ(server.Requests().size(), 21u);
  EXPECT_EQ(request.Status(), 302);
  EXPECT_EQ(request.RedirectCount(), 0);
}

TEST_F(CookieKeepingTest, ContentLocationIsNoRedirect) {
  server.Route("/c", [](const Request&) {
    return Reply{.headers = {{"Content-Location", "/c"}}, .body = "here"};
  });
  request.SetCookieMode(1);
  Fetch("/c");
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(request.Location(), "");
}

TEST_F(CookieKeepingTest, WithoutCookieModeTheTransferFollowsRedirects) {
  server.Route("/from", [](const Request&) {
    return Reply{.status = 302, .headers = {{"Location", "/to"}}};
  });
  server.Route("/to", [](const Request&) { return Reply{.body = "to"}; });
  Fetch("/from");
  EXPECT_EQ(request.Status(), 200);
  request.SetRedirects(false);
  Fetch("/from");
  EXPECT_EQ(request.Status(), 302);
  EXPECT_EQ(request.Location(), "/to");
  EXPECT_EQ(request.Location(true), "http://127.0.0.1:" + std::to_string(server.Port()) + "/to");
}

}  // namespace
}  // namespace brisklet::net
