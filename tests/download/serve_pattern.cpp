// A file server for the tests of the real program: serves SIZE pattern bytes at /dl/setup.exe
// from the test server on 127.0.0.1, writes the same bytes to EXPECTED for the test's
// comparison, prints the file's address on the first line, and serves until stdin closes or
// it is ended.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/test_server.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: serve_pattern SIZE EXPECTED\n");
    return 2;
  }
  const std::uint64_t size = std::strtoull(argv[1], nullptr, 10);
  {
    std::ofstream expected(argv[2], std::ios::binary);
    for (std::uint64_t i = 0; i < size; ++i) expected.put(brisklet::test::PatternByte(i));
  }
  brisklet::test::TestServer server;
  server.ServeFile("/dl/setup.exe", brisklet::test::BodySource::Pattern(size));
  std::printf("%s\n", server.Url("/dl/setup.exe").c_str());
  std::fflush(stdout);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  int sig = 0;
  sigwait(&set, &sig);  // until the session ends it
  return 0;
}
