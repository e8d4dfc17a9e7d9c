#include "tests/support/curl_client.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

extern char** environ;

namespace brisklet::test {
namespace {

pid_t Spawn(const std::vector<std::string>& args, int outFd) {
  std::vector<std::string> all = {"curl", "--silent", "--show-error"};
  // A proxy from the environment must not take loopback requests elsewhere, unless the test
  // names its own proxy.
  if (std::find(args.begin(), args.end(), "--proxy") == args.end()) {
    all.insert(all.end(), {"--noproxy", "*"});
  }
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "curl", &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

CurlResult RunCurl(const std::vector<std::string>& args) {
  CurlResult result;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = Spawn(args, pipeFds[1]);
  close(pipeFds[1]);
  char chunk[64 * 1024];
  for (ssize_t n; (n = read(pipeFds[0], chunk, sizeof chunk)) > 0;) result.output.append(chunk, n);
  close(pipeFds[0]);
  if (pid > 0) result.exitCode = WaitCurl(pid);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

pid_t StartCurl(const std::vector<std::string>& args) {
  int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_t pid = Spawn(args, devNull);
  close(devNull);
  return pid;
}

int WaitCurl(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace brisklet::test
