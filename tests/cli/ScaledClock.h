// A pacing clock that runs faster than real time by a factor: the gates keep their order and
// their intervals relative to each other, but a run of a few result pages takes a second, and
// site crawls on the local simulated web still finish well within one page interval.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/Gates.h"

namespace vlmr::test {

class TScaledClock : public TPacingClock {
 public:
  explicit TScaledClock(int factor) : factor_(std::max(1, factor)) {}
  std::int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() * factor_;
  }
  void Sleep(int ms, const std::function<void(int)>& realWait) override {
    realWait(std::max(1, ms / factor_));
  }

 private:
  int factor_;
};

}  // namespace vlmr::test
