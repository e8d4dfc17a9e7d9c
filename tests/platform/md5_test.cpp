#include "platform/md5.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brisklet::platform {
namespace {

TEST(Md5Hex, GivesLowerCaseHexDigests) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex(std::string("\0\xFF", 2)), "d07d34efac6328007ad67c7e0a985e00");
  // The single-instance guard's fallback name digests the GBK bytes of its fixed text.
  EXPECT_EQ(Md5Hex(Gbk("你懒得输入，我就写死，略略")), "917b41c1b5ace220c8b4dcacd5857727");
}

}  // namespace
}  // namespace brisklet::platform
