#include "download/thread_count.h"

namespace brisklet::download {

int UsableThreadCount(long long requested) {
  if (requested <= 0) return kDefaultThreads;
  if (requested > kThreadCeiling) return kThreadCeiling;
  return static_cast<int>(requested);
}

}  // namespace brisklet::download
