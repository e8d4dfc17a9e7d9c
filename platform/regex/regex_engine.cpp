#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/regex/regex_engine.h"

#include <pcre2.h>

#include "platform/codepage.h"

namespace brisklet::platform::regex {

struct Regex::Compiled {
  pcre2_code* code = nullptr;
  ~Compiled() { pcre2_code_free(code); }
};

namespace {

// A match found in the UTF-8 form of the subject: byte ranges there.
struct Span {
  std::size_t start = 0, end = 0;
  bool matched = false;
};

// Byte offsets in the UTF-8 text mapped to offsets in its GBK form, converting piece by piece
// while the offsets only grow.
class OffsetMap {
 public:
  explicit OffsetMap(std::string_view utf8) : utf8_(utf8) {}
  std::size_t ToGbk(std::size_t utf8Offset) {
    if (utf8Offset < utf8Done_) {
      utf8Done_ = 0;
      gbkDone_ = 0;
    }
    gbkDone_ += Utf8ToGbk(utf8_.substr(utf8Done_, utf8Offset - utf8Done_)).size();
    utf8Done_ = utf8Offset;
    return gbkDone_;
  }

 private:
  std::string_view utf8_;
  std::size_t utf8Done_ = 0, gbkDone_ = 0;
};

std::size_t NextCharacter(std::string_view utf8, std::size_t at) {
  ++at;
  while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80) ++at;
  return at;
}

std::vector<std::vector<Span>> FindAll(pcre2_code* code, std::string_view utf8, bool global) {
  std::vector<std::vector<Span>> found;
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  std::size_t from = 0;
  while (from <= utf8.size()) {
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), from, 0,
                         data, nullptr);
    if (rc < 0) break;
    PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    std::uint32_t pairs = pcre2_get_ovector_count(data);
    std::vector<Span> spans(pairs);
    for (std::uint32_t i = 0; i < pairs; ++i) {
      if (ovector[2 * i] == PCRE2_UNSET) continue;
      spans[i] = {ovector[2 * i], ovector[2 * i + 1], true};
    }
    found.push_back(spans);
    if (!global) break;
    // An empty match moves on by one character, as the script engines do.
    from = spans[0].end > spans[0].start ? spans[0].end : NextCharacter(utf8, spans[0].end);
  }
  pcre2_match_data_free(data);
  return found;
}

}  // namespace

Regex::Regex(std::shared_ptr<Compiled> compiled, Flags flags)
    : compiled_(std::move(compiled)), flags_(flags) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

std::optional<Regex> Regex::Compile(std::string_view pattern, Flags flags) {
  std::string utf8 = GbkToUtf8(pattern);
  std::uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                          PCRE2_ALLOW_EMPTY_CLASS;
  if (flags.ignoreCase) options |= PCRE2_CASELESS;
  if (flags.multiLine) options |= PCRE2_MULTILINE;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  // Line breaks as the script engines know them: "\n", "\r" and CR LF, so "." matches
  // neither and multi-line "^" and "$" stop at both.
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options,
                                   &error, &errorOffset, context);
  pcre2_compile_context_free(context);
  if (!code) return std::nullopt;
  auto compiled = std::make_shared<Compiled>();
  compiled->code = code;
  return Regex(std::move(compiled), flags);
}

std::vector<Match> Regex::Execute(std::string_view subject) const {
  std::string utf8 = GbkToUtf8(subject);
  OffsetMap map(utf8);
  std::vector<Match> matches;
  for (const auto& spans : FindAll(compiled_->code, utf8, flags_.global)) {
    Match m;
    m.offset = map.ToGbk(spans[0].start);
    m.text =
        Utf8ToGbk(std::string_view(utf8).substr(spans[0].start, spans[0].end - spans[0].start));
    for (std::size_t i = 1; i < spans.size(); ++i) {
      Group g;
      if (spans[i].matched) {
        g.matched = true;
        g.text =
            Utf8ToGbk(std::string_view(utf8).substr(spans[i].start, spans[i].end - spans[i].start));
        g.offset = OffsetMap(utf8).ToGbk(spans[i].start);
      }
      m.groups.push_back(std::move(g));
    }
    matches.push_back(std::move(m));
  }
  return matches;
}

std::string Regex::Replace(std::string_view subject, std::string_view replacement) const {
  std::string utf8 = GbkToUtf8(subject);
  std::string with = GbkToUtf8(replacement);
  std::string_view text = utf8;
  std::string out;
  std::size_t copied = 0;
  for (const auto& spans : FindAll(compiled_->code, text, flags_.global)) {
    out.append(text.substr(copied, spans[0].start - copied));
    for (std::size_t i = 0; i < with.size(); ++i) {
      char c = with[i];
      if (c != '$' || i + 1 >= with.size()) {
        out += c;
        continue;
      }
      char next = with[i + 1];
      if (next == '$') {
        out += '$';
        ++i;
      } else if (next == '&') {
        out.append(text.substr(spans[0].start, spans[0].end - spans[0].start));
        ++i;
      } else if (next == '`') {
        out.append(text.substr(0, spans[0].start));
        ++i;
      } else if (next == '\'') {
        out.append(text.substr(spans[0].end));
        ++i;
      } else if (next >= '0' && next <= '9') {
        // Two digits when they name an existing group, else one.
        std::size_t group = static_cast<std::size_t>(next - '0');
        std::size_t used = 1;
        if (i + 2 < with.size() && with[i + 2] >= '0' && with[i + 2] <= '9') {
          std::size_t two = group * 10 + static_cast<std::size_t>(with[i + 2] - '0');
          if (two >= 1 && two < spans.size()) {
            group = two;
            used = 2;
          }
        }
        if (group >= 1 && group < spans.size()) {
          if (spans[group].matched)
            out.append(text.substr(spans[group].start, spans[group].end - spans[group].start));
          i += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    copied = spans[0].end;
  }
  out.append(text.substr(copied));
  return Utf8ToGbk(out);
}

}  // namespace brisklet::platform::regex
