#pragma once
// Small files read and written whole: the settings file, brisklet.conf, the autostart entry.
// Paths are native (UTF-8) paths.
#include <optional>
#include <string>
#include <string_view>

namespace brisklet::platform {

// The file's bytes; nullopt when it does not exist or cannot be read. `missing`, when given,
// tells the two apart: true only when nothing exists at the path.
std::optional<std::string> ReadWholeFile(const std::string& nativePath, bool* missing = nullptr);

// Replaces the file's content in one step: the bytes go to a temporary file in the same
// folder, are flushed to disk, and the temporary file is renamed over the target, so a reader
// or a crash sees the old file or the new one, never half of one. Missing folders of the path
// are created. An existing file keeps its permission bits; a new one gets 0644 less the umask.
[[nodiscard]] bool WriteWholeFile(const std::string& nativePath, std::string_view content);

// Creates every missing folder of the path up to its last "/" (the file name itself is left
// alone). True when they all exist afterwards.
[[nodiscard]] bool CreateFoldersOf(const std::string& nativePath);

}  // namespace brisklet::platform
