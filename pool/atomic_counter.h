#pragma once
// AtomicCounter: a signed 32-bit integer changed only by atomic operations with full ordering.
// A new counter holds 0; copying copies the current value. Readers use Get.
#include <atomic>
#include <cstdint>

namespace brisklet::pool {

class AtomicCounter {
 public:
  AtomicCounter() = default;
  AtomicCounter(const AtomicCounter& other) : value_(other.Get()) {}
  AtomicCounter& operator=(const AtomicCounter& other) {
    value_.store(other.Get());
    return *this;
  }

  // Stores newValue; the value before.
  std::int32_t Exchange(std::int32_t newValue) { return value_.exchange(newValue); }
  // The value after.
  std::int32_t Increment() { return Wrapped(Add(1), 1); }
  std::int32_t Decrement() { return Wrapped(Add(-1), -1); }
  // Adds amount, wrapping past the 32-bit limits as the machine's add does; the value before.
  std::int32_t Add(std::int32_t amount) { return value_.fetch_add(amount); }
  std::int32_t Get() const { return value_.load(); }
  // Stores newValue only when the counter equals comparand; the value before either way.
  std::int32_t CompareExchange(std::int32_t comparand, std::int32_t newValue) {
    std::int32_t expected = comparand;
    value_.compare_exchange_strong(expected, newValue);
    return expected;
  }

 private:
  // before + amount with two's-complement wrapping (atomic fetch_add wraps; plain + must not
  // overflow).
  static std::int32_t Wrapped(std::int32_t before, std::int32_t amount) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(before) + static_cast<std::uint32_t>(amount));
  }

  std::atomic<std::int32_t> value_{0};
};

}  // namespace brisklet::pool
