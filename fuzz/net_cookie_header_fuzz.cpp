// Arbitrary text through the cookie and header routines of net/: MergeCookies, the jar
// operations of the request object, NormalizeHeaderNames and the Set-Cookie scans. Besides not
// crashing, each must keep its promises:
//   - a merged cookie text holds no item ending in "=deleted" and no item twice;
//   - normalising header names twice gives what normalising once gave;
//   - a Set-Cookie entry holds no ";" and no line end, and starts with no blank;
//   - a jar set from a text without separators reads back as that text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "net/cookie_merge.h"
#include "net/page_fetch.h"
#include "net/request_object.h"
#include "net/set_cookie.h"
#include "net/text_ops.h"

using namespace brisklet::net;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void FuzzMerge(std::string sent, std::string received) {
  std::string merged = MergeCookies(sent, received);
  Check(merged == sent);
  std::set<std::string> seen;
  for (const auto& item : SplitText(merged, "; ")) {
    Check(!(item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0));
    Check(seen.insert(item).second);
  }
}

void FuzzJar(std::string_view a, std::string_view b) {
  HttpRequest request;  // never sends: the jar operations need no request object
  request.SetCookieMode(1);
  request.JarText(std::string(a));
  request.MergeCookieText(b);
  request.RemoveJarCookies(a);
  std::string inside = request.JarText();
  request.JarCookie(b);
  request.JarText(inside);
  // A jar set from a text that has no separators of its own reads back as that text.
  if (inside.find(';') == std::string::npos && !inside.empty() && inside.front() != ' ')
    Check(request.JarText() == inside);
}

void FuzzHeaders(std::string_view text) {
  std::string once = NormalizeHeaderNames(text);
  Check(NormalizeHeaderNames(once) == once);
  for (const auto& entry : ScanSetCookieEntries(text)) {
    Check(entry.find(';') == std::string::npos);
    Check(entry.find("\r\n") == std::string::npos);
    Check(entry.empty() || entry.front() != ' ');
  }
  CollectResponseCookies(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first "\n\n" splits the input into two texts for the two-argument routines.
  std::size_t split = input.find("\n\n");
  std::string_view first = input.substr(0, split);
  std::string_view second = split == std::string_view::npos ? "" : input.substr(split + 2);
  FuzzMerge(std::string(first), std::string(second));
  FuzzJar(first, second);
  FuzzHeaders(input);
  return 0;
}
