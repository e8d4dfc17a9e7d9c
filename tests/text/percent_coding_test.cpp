#include "text/percent_coding.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::text {
namespace {

using platform::Gbk;

struct Case {
  std::string in, out;
};

TEST(PercentDecodeText, DecodesUtf8IntoGbk) {
  const Case cases[] = {
      {"a%2Fb+c", "a/b+c"},
      {"%e4%b8%ad", Gbk("中")},
      {"%E4%B8%AD%E6%96%87.zip", Gbk("中文.zip")},
      {"100%", "100%"},            // a "%" without two hex digits stays
      {"%4", "%4"},
      {"%zz1", "%zz1"},
      {"%%41", "%A"},
      {"a%00b", "a"},              // a decoded zero ends the text
      {"%F0%9F%98%80", "?"},       // no GBK form: the default character
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentDecodeText(c.in), c.out) << c.in;
}

TEST(PercentEncodeText, KeepsOnlyLettersDigitsDashAndDot) {
  const Case cases[] = {
      {"a b/c-d.e", "a%20b%2Fc-d.e"},
      {"_~+", "%5F%7E%2B"},
      {Gbk("中"), "%E4%B8%AD"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncodeText(c.in), c.out) << c.in;
}

TEST(PercentCoding, RoundTripsChineseFileNames) {
  const std::string name = Gbk("青梧 下载-1.8 (测试).7z");
  EXPECT_EQ(PercentDecodeText(PercentEncodeText(name)), name);
}

}  // namespace
}  // namespace brisklet::text
