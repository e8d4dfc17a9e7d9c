#pragma once
// Standard Base64 (RFC 4648): "+" and "/", "=" padding, no line breaks.
#include <string>

#include "platform/bytes.h"

namespace brisklet::text {

// The empty array gives the empty text.
std::string Base64Encode(const Bytes& bytes);

}  // namespace brisklet::text
