#include "platform/fs/folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/codepage.h"

namespace brisklet::platform::fs {
namespace {

bool Exists(const std::string& utf8) {
  struct stat st {};
  return ::lstat(utf8.c_str(), &st) == 0;
}

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/brisklet-folder-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    root_ = dir_ + "/cache/临时下载文件";
    ASSERT_TRUE(CreateFolders(Gbk(root_ + "/a.zip/")));
    std::ofstream(root_ + "/a.zip/1.ling") << "x";
    ASSERT_TRUE(CreateFolders(Gbk(dir_ + "/precious")));
    std::ofstream(dir_ + "/precious/keep") << "k";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_, root_;
};

TEST_F(FolderTest, CreatesEveryMissingParentOfAGbkPath) {
  EXPECT_TRUE(Exists(root_ + "/a.zip/1.ling"));
  EXPECT_TRUE(CreateFolders(Gbk(root_ + "/a.zip")));  // existing: fine
}

TEST_F(FolderTest, RemovesATreeInsideItsRoot) {
  EXPECT_TRUE(RemoveTreeInside(Gbk(root_), Gbk(root_ + "/a.zip/")));
  EXPECT_FALSE(Exists(root_ + "/a.zip"));
  EXPECT_TRUE(Exists(root_));
  EXPECT_TRUE(RemoveTreeInside(Gbk(root_), Gbk(root_ + "/a.zip/")));  // already gone
}

TEST_F(FolderTest, RefusesEverythingThatIsNotStrictlyInside) {
  for (const std::string& target : {root_, root_ + "/..", root_ + "/a.zip/../../../precious",
                                    dir_ + "/precious", std::string("/")}) {
    EXPECT_FALSE(RemoveTreeInside(Gbk(root_), Gbk(target))) << target;
  }
  EXPECT_TRUE(Exists(dir_ + "/precious/keep"));
  EXPECT_TRUE(Exists(root_ + "/a.zip/1.ling"));
}

TEST_F(FolderTest, LinksInsideAreRemovedNotFollowed) {
  ASSERT_EQ(::symlink((dir_ + "/precious").c_str(), (root_ + "/a.zip/link").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ + "/precious").c_str(), (root_ + "/escape").c_str()), 0);
  EXPECT_FALSE(RemoveTreeInside(Gbk(root_), Gbk(root_ + "/escape")));  // resolves outside
  EXPECT_TRUE(RemoveTreeInside(Gbk(root_), Gbk(root_ + "/a.zip")));
  EXPECT_TRUE(Exists(dir_ + "/precious/keep"));
}

}  // namespace
}  // namespace brisklet::platform::fs
