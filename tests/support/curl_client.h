#pragma once
// Runs curl's command line as an independent client of the test server.
#include <string>
#include <vector>

#include <sys/types.h>

namespace brisklet::test {

struct CurlResult {
  int exitCode = -1;   // curl's exit status (18: partial, 28: time-out, 52: no reply, 56: recv)
  std::string output;  // what it wrote to standard output
  double seconds = 0;  // wall time
};

// curl ARGS..., silent, waiting for it to end.
CurlResult RunCurl(const std::vector<std::string>& args);

// curl ARGS... started in the background, its output discarded; WaitCurl gives its exit status.
pid_t StartCurl(const std::vector<std::string>& args);
int WaitCurl(pid_t pid);

}  // namespace brisklet::test
