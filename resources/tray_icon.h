#pragma once
// The tray icon: a 16×16 picture with one 32-bit (RGBA) image, as PNG bytes.
#include "platform/bytes.h"

namespace brisklet::resources {

Bytes TrayIconPng();

}  // namespace brisklet::resources
