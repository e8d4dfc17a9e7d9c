#pragma once
// Lock: a recursive mutual-exclusion lock, held as a member and passed around as an object.
// The pool holds one for its own bookkeeping; the program holds one more for progress updates.
#include <mutex>

namespace brisklet::pool {

class Lock {
 public:
  // Recursive for the thread that holds it; every Enter is matched by one Leave on that thread.
  void Enter();
  void Leave();
  // Enters when the lock is free (or already held by this thread) and reports true; the
  // caller then owns one Leave. False when another thread holds it.
  bool TryEnter();

 private:
  std::recursive_mutex mutex_;
};

// Enter for the lifetime of a scope.
class LockHold {
 public:
  explicit LockHold(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~LockHold() { lock_.Leave(); }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  Lock& lock_;
};

}  // namespace brisklet::pool
