#include "net/cookie_merge.h"

#include <gtest/gtest.h>

#include "net/page_fetch.h"
#include "net/set_cookie.h"

namespace brisklet::net {
namespace {

TEST(CookieMerge, MergesSentAndReceived) {
  struct Case {
    const char* sent;
    const char* received;
    const char* merged;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"a=1; b=2", "a=deleted", "b=2"},
      {"a=1;", "", "a=1"},
      {"", "a=1; a=1", "a=1"},
      {"", "a=1; a=2", "a=1; a=2"},
      {"x=DELETED", "", "x=DELETED"},
      {"", "", ""},
      {"  a=1 ", " b=2;", "b=2; a=1"},
      {"a = 1", "a=2", "a=2"},
  };
  for (const auto& c : cases) {
    std::string sent = c.sent, received = c.received;
    EXPECT_EQ(MergeCookies(sent, received), c.merged) << c.sent << " | " << c.received;
    EXPECT_EQ(sent, c.merged);
  }
}

TEST(CookieMerge, Helpers) {
  EXPECT_EQ(CookieName(" a =1"), "a");
  EXPECT_EQ(CookieName(" flag "), "flag");
  EXPECT_TRUE(HasCookieNamed({"x=1", "a=2"}, "a"));
  EXPECT_FALSE(HasCookieNamed({}, "a"));
  EXPECT_EQ(RemoveDuplicateItems("a, b, a, c", ", "), "a, b, c");
  EXPECT_EQ(RemoveDuplicateItems("", ", "), "");
}

TEST(HeaderNames, NormalizeCapitalisesWithoutLowering) {
  const std::pair<const char*, const char*> cases[] = {
      {"content-type: text/html", "Content-Type: text/html"},
      {"CONTENT-TYPE: x", "CONTENT-TYPE: x"},
      {"x-requested-with: XMLHttpRequest\r\naccept:*/*",
       "X-Requested-With: XMLHttpRequest\r\nAccept:*/*"},
      {"\r\nno colon\r\nhost: h\r\n", "Host: h"},
      {"a--b-: v: w", "A--B-: v: w"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(NormalizeHeaderNames(in), out) << in;
}

TEST(SetCookieScan, EntriesFromFirstToLast) {
  const std::string headers =
      "Set-Cookie:   a=1; path=/\r\nX: y\r\nSET-COOKIE: b=2\r\nset-cookie: c\r\nSet-Cookie: d=4";
  EXPECT_EQ(ScanSetCookieEntries(headers), (std::vector<std::string>{"a=1", "b=2", "c"}));
  EXPECT_TRUE(IsDeletionMarker("a=Deleted"));
  EXPECT_FALSE(IsDeletionMarker("a=deLeted"));
  EXPECT_EQ(EntryName("c"), "");
  EXPECT_EQ(EntryValue("a=b=c"), "b=c");
  EXPECT_EQ(CollectResponseCookies("Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"), "a=1; b=2");
}

}  // namespace
}  // namespace brisklet::net
