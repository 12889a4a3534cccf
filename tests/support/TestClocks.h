// The pacing clocks of the tests: virtual time in which a sleep moves the clock on at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "engine/Gates.h"

namespace vlmr::test {

// A sleep advances the clock by its length; Advance moves it on by hand. LastSeen is the time
// this thread last read: right after a gate's pass, the moment the gate recorded.
class TVirtualClock : public TPacingClock {
 public:
  std::int64_t NowMs() override {
    lastSeen_ = now_.load();
    return lastSeen_;
  }
  static std::int64_t LastSeen() { return lastSeen_; }
  void Sleep(int ms, const std::function<void(int)>&) override {
    now_.fetch_add(ms);
    std::this_thread::yield();
  }
  void Advance(std::int64_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<std::int64_t> now_{1'000'000};
  static inline thread_local std::int64_t lastSeen_ = 0;
};

// As the virtual clock, and it can be frozen: time then stands and every gate that has passed
// once stays shut, so collectors wait at their gates (polling in real time) for as long as a
// test likes.
class TFastClock : public TPacingClock {
 public:
  std::int64_t NowMs() override { return now_.load(); }
  void Sleep(int ms, const std::function<void(int)>& realWait) override {
    if (frozen_.load()) {
      realWait(1);
      return;
    }
    now_.fetch_add(ms);
  }
  void Freeze(bool frozen) { frozen_.store(frozen); }

 private:
  std::atomic<std::int64_t> now_{10'000'000};
  std::atomic<bool> frozen_{false};
};

}  // namespace vlmr::test
