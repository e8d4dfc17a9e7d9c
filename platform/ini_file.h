#pragma once
// INI files with the behaviour of the Windows profile calls (GetPrivateProfileStringA and
// WritePrivateProfileStringA) that the settings file is written against:
// - section and key names are found ignoring the case of ASCII letters; the first matching
//   section and the first matching key in it count;
// - names and values are trimmed of spaces and tabs; a value wrapped in a pair of double or
//   single quotes is read without them;
// - a missing file reads as a file without keys;
// - a write changes or adds the one line it concerns and keeps every other line (comments,
//   other sections, their order) as it stands. It creates the file and its folders, and
//   replaces the file in one step (see WriteWholeFile), so a crash never leaves half a file.
//
// The settings file holds GBK bytes; brisklet.conf holds UTF-8. IniCharset says which, so
// that a name is compared character by character: the second byte of a GBK character is
// compared exactly, never case-folded or taken for "]".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet::platform {

enum class IniCharset {
  Gbk,   // the Windows profile format: no comments beyond lines that match nothing
  Utf8,  // configuration files: also lines starting ";" or "#", and a value's tail after
         // " ;" or " #" (a blank before the mark), are comments
};

// The lines of one INI text, kept as they stand.
class IniText {
 public:
  explicit IniText(std::string_view content = {}, IniCharset charset = IniCharset::Gbk);

  // The value of key in section; nullopt when either is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // The key names of the first matching section, in file order.
  std::vector<std::string> Keys(std::string_view section) const;

  // Sets the value, changing the key's line or adding one at the end of its section (or a new
  // section at the end of the text). A line break in the value is written as a space: a value
  // is one line and cannot add keys or sections. False, and nothing changed, for an empty
  // section or key, a section holding "]" or a line break, or a key holding "=", a line break
  // or starting with "[".
  [[nodiscard]] bool SetValue(std::string_view section, std::string_view key,
                              std::string_view value);

  // The whole text, lines ended the way the original text ended its first line ("\n" for a
  // new text).
  std::string Content() const;

 private:
  std::optional<std::size_t> FindSection(std::string_view section) const;
  // The index of the line after the section's last line.
  std::size_t SectionEnd(std::size_t header) const;
  std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;
  std::string newline_ = "\n";
  IniCharset charset_;
};

// The file at nativePath (UTF-8 path) as an IniText; empty when it is missing or unreadable.
IniText ReadIniFile(const std::string& nativePath, IniCharset charset);

// GetPrivateProfileStringA: the value of key in section of the GBK file at gbkPath, or
// defaultValue (less its trailing spaces) when the file, the section or the key is missing.
std::string ReadIniString(std::string_view gbkPath, std::string_view section,
                          std::string_view key, std::string_view defaultValue);

// WritePrivateProfileStringA: sets key in section of the GBK file at gbkPath. False when the
// names are refused (IniText::SetValue) or the file cannot be written; the file is then
// unchanged. Writes from threads of this process are serialised.
[[nodiscard]] bool WriteIniString(std::string_view gbkPath, std::string_view section,
                                  std::string_view key, std::string_view value);

}  // namespace brisklet::platform
