#include "text/base64.h"

#include <gtest/gtest.h>

namespace brisklet::text {
namespace {

TEST(Base64Encode, MatchesTheStandardVectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
      {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xFB\xFF\xBF", "+/+/"},
      {"user:p\xC3\xA4ss", "dXNlcjpww6Rzcw=="},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(ToBytes(in)), out) << in;
}

TEST(Base64Encode, WritesNoLineBreaksForLongInput) {
  const std::string encoded = Base64Encode(Bytes(300, 0xAB));
  EXPECT_EQ(encoded.size(), 400u);
  EXPECT_EQ(encoded.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace brisklet::text
