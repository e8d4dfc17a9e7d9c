#pragma once
// The thread count the engines actually use. The settings file holds whatever was typed; the
// range it is taken in (kDefaultThreads, kThreadCeiling) belongs to the setting.
#include "app/settings_file.h"

namespace brisklet::download {

using app::kDefaultThreads;
using app::kThreadCeiling;

int UsableThreadCount(long long requested);

}  // namespace brisklet::download
