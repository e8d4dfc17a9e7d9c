#pragma once
// RegexObject: one pattern run over one subject text, giving the matches and their
// sub-matches back as GBK texts. Match and sub-match numbers are 1-based; one that does not
// exist gives the empty text. Matching follows the script engines' rules ("." does not match a
// line break; see platform/regex). Used by one thread.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regex/regex_engine.h"

namespace brisklet::net {

class RegexObject {
 public:
  // False when the pattern is not valid; an empty result of a valid pattern is true.
  bool Execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
               bool multiLine = true, bool global = true, bool quoteMarker = false);
  std::string Pattern() const;
  std::string Replace(std::string_view replacement) const;
  int MatchCount() const;
  // `position`, when given, gets the 0-based byte offset of the text in the subject, -2 when
  // there is none.
  std::string MatchText(int match, int* position = nullptr) const;
  std::string SubMatchText(int match, int subMatch, int* position = nullptr) const;
  int SubMatchCount() const;  // of the first match

 private:
  std::optional<platform::regex::Regex> engine_;
  std::string pattern_;
  std::string subject_;
  std::vector<platform::regex::Match> matches_;
};

}  // namespace brisklet::net
