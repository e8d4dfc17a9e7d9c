#pragma once
// Folders for the download engines, with GBK paths (converted to UTF-8 here).
#include <string>

namespace brisklet::platform::fs {

// Creates the folder and every missing parent; true when the folder exists afterwards.
[[nodiscard]] bool CreateFolders(const std::string& path);

// Removes the folder `path` with everything in it, but only when it lies strictly inside
// `root` (both resolved through symbolic links first). Links inside the tree are removed, never
// followed, and the walk does not cross into other mounted filesystems. False when the path is
// outside the root, is the root itself, or could not be removed entirely; true also when the
// path does not exist.
bool RemoveTreeInside(const std::string& root, const std::string& path);

}  // namespace brisklet::platform::fs
