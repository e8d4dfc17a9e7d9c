#include "intake/share_resolvers.h"

namespace brisklet::intake {

// Not built yet: a share link finds no address, so nothing is handed off and the clipboard
// keeps the link, as when a parse service gives no answer.
void ResolveBaiduShare(app::AppState&) {}
void ResolveLanzouShare(app::AppState&) {}
void ResolveTianyiShare(app::AppState&) {}

}  // namespace brisklet::intake
