#include "platform/fs/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/codepage.h"

namespace brisklet::platform::fs {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/brisklet-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  // A GBK path inside the temporary folder.
  std::string Path(const std::string& utf8Name) const { return Gbk(dir_ + "/" + utf8Name); }
  static std::string Read(const std::string& gbkPath) {
    std::ifstream in(GbkToUtf8(gbkPath), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const std::string& gbkPath, const std::string& content) {
    std::ofstream(GbkToUtf8(gbkPath), std::ios::binary) << content;
  }
  std::string dir_;
};

TEST_F(FileTest, GbkNamesLandOnDiskAsUtf8) {
  File f = File::Create(Path("报告.pdf"));
  ASSERT_TRUE(f.IsOpen());
  ASSERT_TRUE(f.Append("abc", 3));
  ASSERT_TRUE(f.Close());
  EXPECT_EQ(Read(Path("报告.pdf")), "abc");
  struct stat st {};
  EXPECT_EQ(::stat((dir_ + "/报告.pdf").c_str(), &st), 0);
}

TEST_F(FileTest, PositionedWritesPastFourGibibytesLeaveHoles) {
  File f = File::Create(Path("big"));
  const std::int64_t size = (std::int64_t{5} << 30) + 3;
  ASSERT_TRUE(f.SetSize(size));
  ASSERT_TRUE(f.WriteAt(size - 3, "xyz", 3));
  ASSERT_TRUE(f.WriteAt(0, "a", 1));
  ASSERT_TRUE(f.Close());
  EXPECT_EQ(FileSize(Path("big")), size);
  struct stat st {};
  ASSERT_EQ(::stat((dir_ + "/big").c_str(), &st), 0);
  EXPECT_LT(st.st_blocks * 512, std::int64_t{1} << 24);  // sparse: nothing like 5 GiB on disk
  std::ifstream in(dir_ + "/big", std::ios::binary);
  in.seekg(size - 4);
  char tail[4];
  in.read(tail, 4);
  EXPECT_EQ(std::string(tail, 4), std::string("\0xyz", 4));
}

TEST_F(FileTest, AppendFileJoinsPartsInOrderAndChecksTheirLength) {
  Write(Path("1.ling"), "hello ");
  Write(Path("2.ling"), std::string(3 << 20, 'w'));
  File out = File::Create(Path("joined"));
  ASSERT_TRUE(out.AppendFile(Path("1.ling"), 6));
  ASSERT_TRUE(out.AppendFile(Path("2.ling"), 3 << 20));
  EXPECT_FALSE(out.AppendFile(Path("1.ling"), 7));  // not the length it must have
  EXPECT_FALSE(out.AppendFile(Path("3.ling"), 0));  // missing
  ASSERT_TRUE(out.Close());
  EXPECT_EQ(Read(Path("joined")), "hello " + std::string(3 << 20, 'w'));
}

TEST_F(FileTest, RenameReplacesAndSizeTellsAbsence) {
  Write(Path("a.tmp"), "new");
  Write(Path("a"), "old content");
  ASSERT_TRUE(RenameFile(Path("a.tmp"), Path("a")));
  EXPECT_EQ(Read(Path("a")), "new");
  EXPECT_EQ(FileSize(Path("a.tmp")), -1);
  EXPECT_TRUE(RemoveFile(Path("a")));
  EXPECT_TRUE(RemoveFile(Path("a")));
  EXPECT_EQ(FileSize(Path("a")), -1);
}

}  // namespace
}  // namespace brisklet::platform::fs
