#pragma once
// Lock: a recursive mutual-exclusion lock, held as a member and passed around as an object.
#include <mutex>

namespace brisklet::pool {

class Lock {
 public:
  void Enter();
  void Leave();
  // Enters when the lock is free (or already held by this thread) and reports true; the
  // caller then owns one Leave. False when another thread holds it.
  bool TryEnter();

 private:
  std::recursive_mutex mutex_;
};

}  // namespace brisklet::pool
