#pragma once
// ClipboardWatcher: the tick of the tray window's clipboard timer (1000 ms, user-interface
// thread). Takes the clipboard's text into linkText and dispatches it.
//
// While a hand-off's download window is open the tick takes nothing: the timer keeps running
// under the modal window, and a second engine-0 job would share the first one's job state. A
// link copied meanwhile stays on the clipboard and is taken by the first tick after the window
// closes.
#include "app/app_state.h"

namespace brisklet::intake {

void ClipboardWatcher(app::AppState& state);

}  // namespace brisklet::intake
