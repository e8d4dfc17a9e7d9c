#include "platform/instance_mark.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "tests/support/sandbox.h"

namespace brisklet::platform {
namespace {

// Runs TryAcquireInstanceMark(name) in a child process; its answer.
bool AcquiresInChild(const std::string& name) {
  const pid_t child = fork();
  if (child == 0) _exit(TryAcquireInstanceMark(name) ? 1 : 0);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

class InstanceMarkTest : public test::SandboxTest {};

TEST_F(InstanceMarkTest, OneProcessHoldsTheMarkUntilItEnds) {
  const std::string name = Gbk("青梧Brisklet");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const char answer = TryAcquireInstanceMark(name) ? '1' : '0';
    (void)!write(ready[1], &answer, 1);
    for (int i = 0; i < 100; ++i) usleep(100 * 1000);  // killed long before
    _exit(0);
  }
  pollfd wait{ready[0], POLLIN, 0};
  ASSERT_EQ(poll(&wait, 1, 5000), 1);
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, '1');

  EXPECT_FALSE(TryAcquireInstanceMark(name));          // held by the other process
  EXPECT_TRUE(AcquiresInChild(Gbk("另一个名字")));       // other names are free

  kill(holder, SIGKILL);  // a crash, not a clean exit: the mark still goes
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_TRUE(TryAcquireInstanceMark(name));
  EXPECT_TRUE(TryAcquireInstanceMark(name));           // asking again keeps it
  EXPECT_FALSE(AcquiresInChild(name));
}

TEST_F(InstanceMarkTest, NamesCannotReachOutsideTheRuntimeFolder) {
  EXPECT_TRUE(TryAcquireInstanceMark("../../x/y"));
  EXPECT_TRUE(TryAcquireInstanceMark(std::string(300, 'n')));
  EXPECT_FALSE(AcquiresInChild(std::string(300, 'n')));
  int marks = 0;
  for (const auto& entry : std::filesystem::directory_iterator(sandbox_.RuntimeDir())) {
    EXPECT_EQ(entry.path().filename().string().rfind("brisklet-", 0), 0u);
    ++marks;
  }
  EXPECT_EQ(marks, 2);
  EXPECT_FALSE(std::filesystem::exists(sandbox_.Root() / "x"));
}

TEST_F(InstanceMarkTest, WithoutARuntimeFolderTheProgramRunsUnguarded) {
  setenv("XDG_RUNTIME_DIR", (sandbox_.Root() / "missing").c_str(), 1);
  EXPECT_TRUE(TryAcquireInstanceMark("m"));
  EXPECT_TRUE(AcquiresInChild("m"));
}

}  // namespace
}  // namespace brisklet::platform
