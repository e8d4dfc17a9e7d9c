#pragma once
// The clip both windows play when a download completes.
#include "platform/bytes.h"

namespace brisklet::download {

const Bytes& CompletionClip();

}  // namespace brisklet::download
