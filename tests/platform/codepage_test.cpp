#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace brisklet::platform {
namespace {

TEST(Codepage, RoundTripsChineseThroughEveryEncoding) {
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(GbkToUtf8(gbk), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(Utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87"), gbk);
  EXPECT_EQ(Utf16ToGbk(GbkToUtf16(gbk)), gbk);
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8\xAD" "a"), u"\u4E2Da");
  EXPECT_EQ(Utf16ToUtf8(u"\u4E2Da\U0001F600"), "\xE4\xB8\xAD" "a\xF0\x9F\x98\x80");
  EXPECT_EQ(GbkToUtf16("\x80"), u"\u20AC");  // 0x80 is the euro sign in code page 936
  EXPECT_EQ(Gbk("　"), "\xA1\xA1");          // the ideographic space
}

TEST(Codepage, UnrepresentableBecomesDefaultCharacter) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80z"), "a?z");  // an emoji has no GBK form
  EXPECT_EQ(Utf16ToGbk(u"\uD55C\u4E2D"), "?\xD6\xD0");  // Hangul has no GBK form
}

struct InvalidCase {
  std::string in;
  std::string out;
};

TEST(Codepage, InvalidInputIsConvertedAsFarAsItGoes) {
  const std::string fffd = "\xEF\xBF\xBD";
  const InvalidCase gbkToUtf8[] = {
      {"a\xD6", "a" + fffd},                // a lead byte cut off by the end
      {"\xD6\xD0\xD6", "\xE4\xB8\xAD" + fffd},
      {"\x81\x20x", fffd + " x"},           // a lead byte without a valid trail
  };
  for (const auto& c : gbkToUtf8) EXPECT_EQ(GbkToUtf8(c.in), c.out);
  const InvalidCase utf8ToGbk[] = {
      {"a\xE4\xB8", "a??"},                 // a truncated sequence
      {"\xC0\xAF", "??"},                   // an overlong "/"
      {"\xED\xA0\x80", "???"},              // an encoded surrogate
      {"\xFF" "b", "?b"},
  };
  for (const auto& c : utf8ToGbk) EXPECT_EQ(Utf8ToGbk(c.in), c.out);
  EXPECT_EQ(Utf16ToGbk(std::u16string(1, char16_t(0xD800)) + u"a"), "?a");  // a lone surrogate
}

struct CharsetCase {
  std::string bytes, charset;
  std::optional<std::string> gbk;
};

TEST(CharsetToGbk, ConvertsWhatAPageDeclares) {
  const CharsetCase cases[] = {
      {"\xE4\xB8\xAD<p>", "utf-8", "\xD6\xD0<p>"},
      {"\xE4\xB8\xAD", "UTF-8", "\xD6\xD0"},
      {"\xA4\xA4", "big5", "\xD6\xD0"},              // 中 in Big5
      {"caf\xE9", "iso-8859-1", "caf\xA8\xA6"},       // é exists in GBK
      {std::string("\x2D\x4E" "a\x00", 4), "unicode", "\xD6\xD0" "a"},
      {"\xE4\xB8", "utf-8", "??"},                      // a cut-off sequence
      {"\xED\x95\x9C", "utf-8", "?"},                  // Hangul: no GBK form
      {"x", "no-such-charset", std::nullopt},
      {"x", "utf-8//TRANSLIT", std::nullopt},            // no iconv options through a page
      {"x", "", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharsetToGbk(c.bytes, c.charset), c.gbk) << c.charset;
  }
}

TEST(Codepage, EmptyInputGivesEmptyOutput) {
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf16(""), u"");
  EXPECT_EQ(Utf16ToGbk(u""), "");
}

TEST(Codepage, ConvertsLongTextsWhole) {
  std::string gbk;
  for (int i = 0; i < 5000; ++i) gbk += "\xD6\xD0" "a";  // crosses iconv's buffer many times
  const std::string utf8 = GbkToUtf8(gbk);
  EXPECT_EQ(utf8.size(), 5000u * 4);
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
}

TEST(Codepage, ThreadsConvertAtTheSameTime) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong, t] {
      for (int i = 0; i < 200; ++i) {
        if (Utf8ToGbk(GbkToUtf8("\xD6\xD0\xCE\xC4 x")) != "\xD6\xD0\xCE\xC4 x") ++wrong[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace brisklet::platform
