#include "net/regex_object.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::net {
namespace {

using platform::Gbk;

TEST(RegexObject, FindsTheDeclaredCharset) {
  RegexObject regex;
  ASSERT_TRUE(regex.Execute("<meta.+?charset=[^\\w]?([-\\w]+)",
                            "<head><META http-equiv=\"Content-Type\" content=\"text/html; "
                            "charset=utf-8\"></head>"));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubMatchText(1, 1), "utf-8");
  EXPECT_EQ(regex.SubMatchCount(), 1);
}

TEST(RegexObject, NoMatchIsTrueAndEmpty) {
  RegexObject regex;
  EXPECT_TRUE(regex.Execute("zzz", "abc"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
  EXPECT_FALSE(regex.Execute("(unclosed", "abc"));
  EXPECT_EQ(regex.Pattern(), "");
}

TEST(RegexObject, QuoteMarkerStandsForADoubleQuote) {
  RegexObject regex;
  ASSERT_TRUE(regex.Execute(Gbk("#引号a"), "x\"a", false, true, true, true));
  EXPECT_EQ(regex.MatchText(1), "\"a");
  EXPECT_EQ(regex.Pattern(), "\"a");
}

TEST(RegexObject, MatchingRules) {
  struct Case {
    const char* pattern;
    std::string subject;
    bool caseSensitive, multiLine, global;
    std::vector<std::string> matches;
  };
  const Case cases[] = {
      {"a.b", "a\nb a\rb axb", false, true, true, {"axb"}},
      {"^x", "x\nx", false, true, true, {"x", "x"}},
      {"^x", "x\nx", false, false, true, {"x"}},
      {"x$", "x\n", false, false, true, {}},
      {"A", "aA", true, true, true, {"A"}},
      {"A", "aA", false, true, false, {"a"}},
      {"\\u0041", "A", true, true, true, {"A"}},
      {"(a)|\\1b", "b", true, true, true, {"b"}},
      {"x*", "ab", false, true, true, {"", "", ""}},
      {"\\w+", Gbk("中ab文"), false, true, true, {"ab"}},
      {".", Gbk("中"), false, true, true, {Gbk("中")}},
  };
  for (const auto& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Execute(c.pattern, c.subject, c.caseSensitive, c.multiLine, c.global))
        << c.pattern;
    std::vector<std::string> got;
    for (int i = 1; i <= regex.MatchCount(); ++i) got.push_back(regex.MatchText(i));
    EXPECT_EQ(got, c.matches) << c.pattern << " over " << c.subject;
  }
}

TEST(RegexObject, PositionsAreByteOffsetsInTheGbkSubject) {
  RegexObject regex;
  ASSERT_TRUE(regex.Execute("b(c)", Gbk("中文bc")));
  int position = 0;
  EXPECT_EQ(regex.MatchText(1, &position), "bc");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "c");
  EXPECT_EQ(position, 5);
  EXPECT_EQ(regex.MatchText(2, &position), "");
  EXPECT_EQ(position, -2);
}

TEST(RegexObject, ReplaceUsesTheScriptEnginesDollarForms) {
  RegexObject regex;
  ASSERT_TRUE(regex.Execute("(\\w)(\\d)", Gbk("a1-b2中")));
  EXPECT_EQ(regex.Replace("[$2$1$&$$]"), Gbk("[1aa1$]-[2bb2$]中"));
  ASSERT_TRUE(regex.Execute("-", "x-y", false, true, false));
  EXPECT_EQ(regex.Replace("<$`|$'>"), "x<x|y>y");
}

}  // namespace
}  // namespace brisklet::net
