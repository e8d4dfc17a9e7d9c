#pragma once
// Waits on the window's thread while dispatching its messages, so the window stays responsive
// and a message posted to it (a finished task, a click) is handled at once.
#include <functional>

namespace brisklet::download {

// Returns true as soon as done() holds, false when limitMs passed first. done() is checked
// after every dispatch.
bool PumpUntil(const std::function<bool()>& done, int limitMs);

}  // namespace brisklet::download
