#include "pool/lock.h"

namespace brisklet::pool {

void Lock::Enter() { mutex_.lock(); }

void Lock::Leave() { mutex_.unlock(); }

bool Lock::TryEnter() { return mutex_.try_lock(); }

}  // namespace brisklet::pool
