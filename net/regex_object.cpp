#include "net/regex_object.h"

#include "platform/codepage.h"
#include "text/text_search.h"

namespace brisklet::net {

bool RegexObject::Execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                          bool multiLine, bool global, bool quoteMarker) {
  engine_.reset();
  matches_.clear();
  pattern_ =
      quoteMarker ? text::ReplaceText(pattern, platform::Gbk("#引号"), "\"") : std::string(pattern);
  subject_ = std::string(subject);
  engine_ = platform::regex::Regex::Compile(
      pattern_, {.ignoreCase = !caseSensitive, .multiLine = multiLine, .global = global});
  if (!engine_) return false;
  matches_ = engine_->Execute(subject_);
  return true;
}

std::string RegexObject::Pattern() const { return engine_ ? pattern_ : std::string(); }

std::string RegexObject::Replace(std::string_view replacement) const {
  return engine_ ? engine_->Replace(subject_, replacement) : std::string();
}

int RegexObject::MatchCount() const { return static_cast<int>(matches_.size()); }

std::string RegexObject::MatchText(int match, int* position) const {
  if (position) *position = -2;
  if (match < 1 || match > MatchCount()) return {};
  const auto& m = matches_[static_cast<std::size_t>(match - 1)];
  if (position) *position = static_cast<int>(m.offset);
  return m.text;
}

std::string RegexObject::SubMatchText(int match, int subMatch, int* position) const {
  if (position) *position = -2;
  if (match < 1 || match > MatchCount()) return {};
  const auto& groups = matches_[static_cast<std::size_t>(match - 1)].groups;
  if (subMatch < 1 || subMatch > static_cast<int>(groups.size())) return {};
  const auto& g = groups[static_cast<std::size_t>(subMatch - 1)];
  if (position && g.matched) *position = static_cast<int>(g.offset);
  return g.text;
}

int RegexObject::SubMatchCount() const {
  return matches_.empty() ? 0 : static_cast<int>(matches_.front().groups.size());
}

}  // namespace brisklet::net
