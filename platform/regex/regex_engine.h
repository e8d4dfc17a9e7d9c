#pragma once
// Regular expressions over the system's GBK texts with the matching rules of the script
// engines' RegExp: JavaScript syntax (\uhhhh, unset back-references match empty), "." never
// matching a line break, "$" only at the end unless multi-line, \w and \d ASCII only.
// Texts are matched as characters, not bytes: a GBK double-byte character is one character.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::platform::regex {

struct Flags {
  bool ignoreCase = false;
  bool multiLine = false;
  bool global = false;
};

struct Group {
  bool matched = false;
  std::string text;        // GBK
  std::size_t offset = 0;  // 0-based byte offset in the subject
};

struct Match {
  std::string text;           // GBK
  std::size_t offset = 0;     // 0-based byte offset in the subject
  std::vector<Group> groups;  // capture groups 1..n
};

class Regex {
 public:
  // nullopt when the pattern is not valid.
  static std::optional<Regex> Compile(std::string_view pattern, Flags flags);

  // Every match left to right when global, else the first; empty when none.
  std::vector<Match> Execute(std::string_view subject) const;
  // The subject with the matches replaced: "$&" the match, "$1".."$99" groups, "$`" and "$'"
  // the text before and after, "$$" a dollar.
  std::string Replace(std::string_view subject, std::string_view replacement) const;

  // Copies share the compiled pattern, which is never changed after compiling.
  Regex(const Regex&) = default;
  Regex& operator=(const Regex&) = default;
  Regex(Regex&&) noexcept;
  Regex& operator=(Regex&&) noexcept;
  ~Regex();

 private:
  struct Compiled;
  explicit Regex(std::shared_ptr<Compiled> compiled, Flags flags);
  std::shared_ptr<Compiled> compiled_;
  Flags flags_;
};

}  // namespace brisklet::platform::regex
