#pragma once
// A byte array: binary data with its own length. Texts are std::string (GBK bytes); data that
// is not text (bodies, task data, images, sound clips) is Bytes, so the two never mix silently.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string ToText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace brisklet
