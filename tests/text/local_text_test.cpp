#include "text/local_text.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::text {
namespace {

using platform::Gbk;

TEST(LocalText, ConvertsBetweenUtf8AndGbk) {
  EXPECT_EQ(Utf8ToLocal("\xE4\xB8\xAD"), "\xD6\xD0");
  EXPECT_EQ(LocalToUtf8("\xD6\xD0"), "\xE4\xB8\xAD");
  EXPECT_EQ(Utf8ToLocal("\xE2\x82\xAC"), "\x80");  // the euro sign
  EXPECT_EQ(Utf8ToLocal("x\xF0\x9F\x98\x80"), "x?");
}

TEST(ToControlText, GivesUtf16LeWithTerminatorAndTwoSpareZeros) {
  EXPECT_EQ(ToControlText(Gbk("中A")), (Bytes{0x2D, 0x4E, 'A', 0, 0, 0, 0, 0}));
  EXPECT_EQ(ToControlText(""), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(ToControlText(std::string("A\0B", 3)), (Bytes{'A', 0, 0, 0, 0, 0}));
}

TEST(FromControlText, ReadsUpToTheTerminator) {
  EXPECT_EQ(FromControlText(Bytes{0x2D, 0x4E, '8', 0, 0, 0, 'x', 0}), Gbk("中8"));
  EXPECT_EQ(FromControlText(Bytes{'3', 0, '2', 0}), "32");  // no terminator: the whole array
  EXPECT_EQ(FromControlText(Bytes{'3', 0, '2'}), "3");      // an odd last byte is dropped
  EXPECT_EQ(FromControlText(Bytes{}), "");
  EXPECT_EQ(FromControlText(Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0}), "?");  // an emoji
}

TEST(ControlText, RoundTripsTheSystemsTexts) {
  for (const std::string& text : {Gbk("保存设置"), Gbk("线程数量："), std::string("-5"), Gbk("€")}) {
    EXPECT_EQ(FromControlText(ToControlText(text)), text);
  }
}

}  // namespace
}  // namespace brisklet::text
