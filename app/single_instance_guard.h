#pragma once
// SingleInstanceGuard: keeps a second copy of the program from running in the same session.
// The first instance takes the mark `name`; a later one finds it held and ends. User-interface
// thread, before the program starts threads of its own.
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/ui_backend.h"

namespace brisklet::app {

// The mark's name: `name`, or when it is empty the lower-case hexadecimal MD5 digest of the
// GBK bytes of "你懒得输入，我就写死，略略" (empty when the digest fails).
std::string InstanceName(std::string_view name);

// Returns only when no other instance holds the name. Otherwise shows `message` (when omitted
// "对不起,该进程已打开!") with the caption "友情提醒:" if showMessage, and ends the program
// through ExitProgram. When no mark can be made the program runs on unguarded.
//
// `activate` asks to bring the other instance's window forward. The only window of a running
// instance is the hidden tray window, and an X11 program cannot raise another process's
// window reliably, so it has no effect here; start-up never asks for it.
void SingleInstanceGuard(std::string_view name, bool showMessage,
                         const std::optional<std::string>& message,
                         platform::MessageButtons buttons, bool activate);

// The guard's test, without ending anything: true when this process holds the mark.
bool HoldInstanceMark(std::string_view name);

}  // namespace brisklet::app
