#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace brisklet::platform {
namespace {

TEST(Codepage, RoundTripsChineseThroughEveryEncoding) {
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(GbkToUtf8(gbk), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(Utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87"), gbk);
  EXPECT_EQ(Utf16ToGbk(GbkToUtf16(gbk)), gbk);
  EXPECT_EQ(GbkToUtf16("\x80"), u"\u20AC");  // 0x80 is the euro sign in code page 936
}

TEST(Codepage, UnrepresentableBecomesDefaultCharacter) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80z"), "a?z");  // an emoji has no GBK form
}

}  // namespace
}  // namespace brisklet::platform
