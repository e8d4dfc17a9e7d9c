#include "text/text_search.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <random>
#include <vector>

#include "platform/codepage.h"

namespace brisklet::text {
namespace {

using platform::Gbk;

struct FindCase {
  std::string text;
  std::string pattern;
  std::size_t found;
};

// 「癆」 is 0xB0 0x41 and 「乙」 0xD2 0xD2: their trail bytes look like "A" and like a lead byte.
TEST(FindText, NeverStartsOnATrailByte) {
  const FindCase cases[] = {
      {"\xB0\x41" "A", "A", 2},                // 癆A: the trail 0x41 is no "A"
      {"\xB0\x41", "A", npos},
      {"\xD2\xD2\xD2", "\xD2\xD2", 0},         // 乙 then a cut-off lead byte
      {"x\xD2\xD2\xD2\xD2", "\xD2\xD2", 1},
      {"\xD2\xD2" "a\xD2\xD2", "a\xD2\xD2", 2},
      {"\x80" "A", "A", 1},                    // 0x80 (euro sign) is a character of its own
      {"abc", "", 0},
      {"", "a", npos},
      {"ab", "abc", npos},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.text, c.pattern), c.found) << c.text << " / " << c.pattern;
  }
}

TEST(FindText, StartsFromTheGivenOffset) {
  EXPECT_EQ(FindText("a/b/c", "/", 2), 3u);
  EXPECT_EQ(FindText("a/b/c", "/", 9), npos);
}

TEST(FindLastText, TakesTheLastCharacterAlignedMatch) {
  EXPECT_EQ(FindLastText("a/b/c", "/"), 3u);
  EXPECT_EQ(FindLastText("A\xB0\x41", "A"), 0u);
  EXPECT_EQ(FindLastText("abc", "x"), npos);
}

TEST(FindTextIgnoreCase, FoldsSingleByteAsciiOnly) {
  const FindCase cases[] = {
      {"https://X.COM/Setup.EXE", ".exe", 19},
      {"PAN.Baidu.com", "pan.baidu", 0},
      {"\xB0\x61", "\xB0\x41", npos},          // a trail byte is compared exactly
      {"\xB0\x41" "a", "A", 2},                // and never starts a match
      {"\xB0\x41" "B", "\xB0\x41" "b", 0},
      {"\xC4\xE3" "ABC", "abc", 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindTextIgnoreCase(c.text, c.pattern), c.found) << c.text << " / " << c.pattern;
  }
}

TEST(ContainsIgnoreCase, FindsLinkPatternsInMixedTexts) {
  EXPECT_TRUE(ContainsIgnoreCase(Gbk("复制链接 https://Pan.BAIDU.com/s/1x"), "pan.baidu"));
  EXPECT_TRUE(ContainsIgnoreCase("http://h/a.ZIP", ".zip"));
  EXPECT_FALSE(ContainsIgnoreCase("http://h/a.zi", ".zip"));
  EXPECT_FALSE(ContainsIgnoreCase("", ".zip"));
}

TEST(ReplaceText, ReplacesWholeCharactersWithoutRescanning) {
  EXPECT_EQ(ReplaceText("aXbXc", "X", "XX"), "aXXbXXc");
  EXPECT_EQ(ReplaceText("\xB0\x41" "A", "A", "b"), "\xB0\x41" "b");
  EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
}

// Against a reference that first splits both texts into characters: on random texts built
// from a few confusable characters, the byte-level searches find what a character-level
// search finds.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = CharLength(text, i);
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

std::size_t ReferenceFind(const std::string& text, const std::string& pattern, bool fold) {
  const auto t = Characters(text);
  const auto p = Characters(pattern);
  const auto same = [fold](std::string a, std::string b) {
    if (fold && a.size() == 1 && b.size() == 1) {
      a[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(a[0])));
      b[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(b[0])));
    }
    return a == b;
  };
  std::size_t offset = 0;
  for (std::size_t i = 0; i + p.size() <= t.size(); offset += t[i].size(), ++i) {
    bool match = true;
    for (std::size_t k = 0; match && k < p.size(); ++k) match = same(t[i + k], p[k]);
    if (match) return offset;
  }
  return npos;
}

TEST(FindText, AgreesWithACharacterLevelSearchOnRandomTexts) {
  const std::string pieces[] = {"A", "a", "b", "\xB0\x41", "\xB0\x61", "\xD2\xD2", "\x80", "\xA1\xA1"};
  std::mt19937 random(20261211);
  const auto make = [&](int maxPieces) {
    std::string text;
    const int n = static_cast<int>(random() % (maxPieces + 1));
    for (int i = 0; i < n; ++i) text += pieces[random() % std::size(pieces)];
    return text;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string text = make(8);
    const std::string pattern = make(3);
    if (pattern.empty()) continue;
    ASSERT_EQ(FindText(text, pattern), ReferenceFind(text, pattern, false)) << round;
    ASSERT_EQ(FindTextIgnoreCase(text, pattern), ReferenceFind(text, pattern, true)) << round;
  }
}

}  // namespace
}  // namespace brisklet::text
