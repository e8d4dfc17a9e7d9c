#pragma once
// The three share resolvers: each takes its input from linkText, asks its parse service for
// the direct address and calls HandOffAddress only when it found one. User-interface thread;
// their fetches are synchronous.
#include "app/app_state.h"

namespace brisklet::intake {

void ResolveBaiduShare(app::AppState& state);
void ResolveLanzouShare(app::AppState& state);
void ResolveTianyiShare(app::AppState& state);

}  // namespace brisklet::intake
