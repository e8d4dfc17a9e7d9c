#include "text/text_cut.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::text {
namespace {

using platform::Gbk;

struct BetweenCase {
  std::string text, left, right, expected;
};

TEST(TextBetween, CutsBetweenFirstLeftAndNextRight) {
  const BetweenCase cases[] = {
      {"say \"hello\" now", Gbk("#引号"), Gbk("#引号"), "hello"},
      {"<a href=\"x.zip\">", Gbk("href=#引号"), Gbk("#引号>"), "x.zip"},
      {Gbk("公告栏【今天维护】版本号【V1.8】"), Gbk("版本号【"), Gbk("】"), "V1.8"},
      {Gbk("公告栏【今天维护】版本号【V1.8】"), Gbk("公告栏【"), Gbk("】"), Gbk("今天维护")},
      {"] x [", "[", "]", ""},          // the right marker before the left one does not count
      {"a[]b", "[", "]", ""},           // right marker right after the left one
      {"abc", "x", "c", ""},
      {"a[b", "[", "]", ""},
      {"[a][b]", "[", "]", "a"},
      {"\xB0\x41" "=1;A=2;", "A=", ";", "2"},  // the trail byte 0x41 is not a marker
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.expected) << c.text;
  }
}

struct CutCase {
  std::string text, delimiter, left, right;
};

TEST(TextLeftAndRightOf, TakeFirstAndLastOccurrence) {
  const CutCase cases[] = {
      {"a/b/c", "/", "a", "c"},
      {"abc", "/", "", ""},
      {"/x/", "/", "", ""},
      {"k=v&w=z", "=", "k", "z"},
      {"\xB0\x41" "bA1", "A", "\xB0\x41" "b", "1"},
      {Gbk("下载/文件.zip"), "/", Gbk("下载"), Gbk("文件.zip")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextLeftOf(c.text, c.delimiter), c.left) << c.text;
    EXPECT_EQ(TextRightOf(c.text, c.delimiter), c.right) << c.text;
  }
}

struct HeaderCase {
  std::string line, name, value;
};

TEST(HeaderNameAndValue, SplitAtFirstColonAndTrim) {
  const HeaderCase cases[] = {
      {"Cookie:  x=1 ", "Cookie", "x=1"},
      {"Location: http://h:80/a", "Location", "http://h:80/a"},
      {" Host :h", "Host", "h"},
      {"no colon here", "", ""},
      {"X:", "X", ""},
      {"X:\t1\r", "X", "\t1\r"},        // tabs and line breaks are not spaces
      {"X:\xA1\xA1v\xA1\xA1", "X", "v"},  // the ideographic space is
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderName(c.line), c.name) << c.line;
    EXPECT_EQ(HeaderValue(c.line), c.value) << c.line;
  }
}

TEST(TrimText, RemovesOnlyWholeSpaceCharacters) {
  EXPECT_EQ(TrimText(Gbk("　 中文 　")), Gbk("中文"));
  EXPECT_EQ(TrimText("\xA1\xA1\xA1"), "\xA1");              // 0xA1 0xA1 then a cut-off lead
  EXPECT_EQ(TrimText("\xB0\xA1\xA1\xA1"), "\xB0\xA1");      // 啊 then an ideographic space
  EXPECT_EQ(TrimText("x\xB0\xA1 "), "x\xB0\xA1");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(TrimText(""), "");
}

}  // namespace
}  // namespace brisklet::text
