#include "text/base64.h"

namespace brisklet::text {

std::string Base64Encode(const Bytes& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const std::uint32_t group = (bytes[i] << 16) | (left > 1 ? bytes[i + 1] << 8 : 0) |
                                (left > 2 ? bytes[i + 2] : 0);
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    out.push_back(left > 2 ? kAlphabet[group & 0x3F] : '=');
  }
  return out;
}

}  // namespace brisklet::text
