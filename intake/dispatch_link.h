#pragma once
// DispatchLink: routes linkText by the first pattern of an ordered table that it contains.
//
// The clipboard's table tests the Baidu host, the direct-file extensions but ".mp4", the
// Lanzou and Tianyi hosts, then ".mp4"; the parser window's table tests ".mp4" with the other
// extensions, before the two hosts. Host patterns come from brisklet.conf.
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"

namespace brisklet::intake {

enum class Route { None, BaiduShare, DirectLink, LanzouShare, TianyiShare };

struct LinkPattern {
  std::string text;  // GBK; matched as a substring ignoring ASCII case; empty matches nothing
  Route route;
};

std::vector<LinkPattern> ClipboardPatterns(const app::Config& config);
std::vector<LinkPattern> ParserPatterns(const app::Config& config);

// The route of the first pattern that `text` contains; Route::None when none does.
Route Classify(std::string_view text, const std::vector<LinkPattern>& patterns);

// Whether `text` contains `pattern`, ASCII letters compared without case. A match never starts
// on the second byte of a GBK double-byte character. An empty pattern is never found.
bool ContainsIgnoringCase(std::string_view text, std::string_view pattern);

// Classifies state.linkText by the clipboard's table and calls the route (user-interface
// thread).
void DispatchLink(app::AppState& state);

}  // namespace brisklet::intake
