#include "download/download_options.h"
#include "platform/paths.h"

namespace brisklet::download {

std::string DefaultSaveFolder() { return platform::DesktopFolder(); }

std::string DefaultCacheFolder() { return platform::CacheFolder(); }

}  // namespace brisklet::download
