#include "platform/autostart.h"

#include <string>

#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/whole_file.h"

namespace brisklet::platform {
namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// The Exec value for one program path: the path as one quoted argument (backslash before
// " ` $ \), then the string escape of desktop entries (a backslash doubled), then "%" doubled
// so it is not read as a field code.
std::string ExecValue(std::string_view path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value.push_back('\\');
    if (c == '%') value.push_back('%');
    value.push_back(c);
  }
  return value;
}

}  // namespace

bool WriteAutostartEntry(std::string_view name, std::string_view programPath) {
  const std::string nativeName = ToNativePath(name);
  const std::string nativeProgram = ToNativePath(programPath);
  if (!IsPlainFileName(nativeName) || HasLineBreak(nativeName) || nativeProgram.empty() ||
      HasLineBreak(nativeProgram) || nativeProgram.find('\0') != std::string::npos) {
    return false;
  }
  const std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=" + nativeName + "\n"
      "Exec=" + ExecValue(nativeProgram) + "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return WriteWholeFile(ToNativePath(AutostartFolder()) + nativeName + ".desktop", entry);
}

}  // namespace brisklet::platform
