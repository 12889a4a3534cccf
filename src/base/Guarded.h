// A value that any thread may read while a test replaces it: the installable seams (a service,
// an override folder, a factory) are each one TGuarded at namespace scope, read as a copy.
#pragma once

#include <mutex>
#include <utility>

namespace vlmr {

template <class T>
class TGuarded {
 public:
  TGuarded() = default;
  explicit TGuarded(T initial) : value_(std::move(initial)) {}
  TGuarded(const TGuarded&) = delete;
  TGuarded& operator=(const TGuarded&) = delete;

  T Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  // The old value is destroyed after the lock is let go (a service's end may call back).
  void Set(T value) { Exchange(std::move(value)); }
  // Puts `value` in and returns the old one.
  T Exchange(T value) {
    std::lock_guard lock(mutex_);
    std::swap(value_, value);
    return value;
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
};

}  // namespace vlmr
