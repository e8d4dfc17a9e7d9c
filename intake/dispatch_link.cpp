#include "intake/dispatch_link.h"

#include "intake/hand_off_address.h"
#include "intake/share_resolvers.h"
#include "text/text_search.h"

namespace brisklet::intake {
namespace {

const std::vector<std::string>& ExtensionsBeforeHosts() {
  static const std::vector<std::string> extensions = {".exe", ".rar", ".zip", ".7z", ".png"};
  return extensions;
}

}  // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view pattern) {
  // An unset pattern in brisklet.conf must not catch every text.
  return !pattern.empty() && text::ContainsIgnoreCase(text, pattern);
}

std::vector<LinkPattern> ClipboardPatterns(const app::Config& config) {
  std::vector<LinkPattern> table = {{config.baiduPattern, Route::BaiduShare}};
  for (const auto& extension : ExtensionsBeforeHosts())
    table.push_back({extension, Route::DirectLink});
  table.push_back({config.lanzouPattern, Route::LanzouShare});
  table.push_back({config.tianyiPattern, Route::TianyiShare});
  table.push_back({".mp4", Route::DirectLink});
  return table;
}

std::vector<LinkPattern> ParserPatterns(const app::Config& config) {
  std::vector<LinkPattern> table = {{config.baiduPattern, Route::BaiduShare}};
  for (const auto& extension : ExtensionsBeforeHosts())
    table.push_back({extension, Route::DirectLink});
  table.push_back({".mp4", Route::DirectLink});
  table.push_back({config.lanzouPattern, Route::LanzouShare});
  table.push_back({config.tianyiPattern, Route::TianyiShare});
  return table;
}

Route Classify(std::string_view text, const std::vector<LinkPattern>& patterns) {
  for (const auto& pattern : patterns)
    if (ContainsIgnoringCase(text, pattern.text)) return pattern.route;
  return Route::None;
}

void DispatchLink(app::AppState& state) {
  switch (Classify(state.linkText, ClipboardPatterns(state.config))) {
    case Route::BaiduShare:
      ResolveBaiduShare(state);
      break;
    case Route::DirectLink:
      AcceptDirectLink(state);
      break;
    case Route::LanzouShare:
      ResolveLanzouShare(state);
      break;
    case Route::TianyiShare:
      ResolveTianyiShare(state);
      break;
    case Route::None:
      break;
  }
}

}  // namespace brisklet::intake
