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
  void Set(T value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
};

}  // namespace vlmr
