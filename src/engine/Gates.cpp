#include "engine/Gates.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>

#include "base/Thread.h"

namespace vlmr {
namespace {

struct TGateState {
  std::optional<std::int64_t> lastPass;
};

struct TLocks {
  std::mutex baidu, sogou, so360, crawlers;
  std::array<TGateState, 6> gates;  // of the direct connection
  // Of each proxy that has passed a gate, by its key; each entry under its engine's lock.
  std::map<std::string, std::array<TGateState, 6>, std::less<>> exits;
  std::mutex exitsMap;  // only for finding or adding an entry; never held with another lock

  std::mutex& LockOf(TGate gate) {
    switch (gate) {
      case TGate::BaiduPage:
      case TGate::BaiduSite:
        return baidu;
      case TGate::SogouPage:
      case TGate::SogouSite:
        return sogou;
      default:
        return so360;
    }
  }
};

// The locks are replaced only by the UI thread while no worker runs; workers read the pointer.
std::atomic<TLocks*> g_locks{nullptr};
std::atomic<TPacingClock*> g_clock{nullptr};
std::atomic<int> g_intervalDivisor{1};

std::int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int GateIntervalMs(TGate gate) {
  switch (gate) {
    case TGate::BaiduPage:
      return 2000;
    case TGate::BaiduSite:
      return 1000;
    case TGate::SogouPage:
    case TGate::Page360:
      return 3000;
    case TGate::SogouSite:
    case TGate::Site360:
      return 2000;
  }
  return 3000;
}

void TEngineLocks::Create() {
  if (!g_locks.load()) {
    g_locks.store(new TLocks);
  }
}

void TEngineLocks::Destroy() {
  TLocks* locks = g_locks.exchange(nullptr);
  if (locks && TWorkerRegistry::Count() > 0) {
    // A worker may be inside TryPass or WithCrawlerList with this pointer right now.
    return;
  }
  delete locks;
}

bool TEngineLocks::Exist() {
  return g_locks.load() != nullptr;
}

bool TEngineLocks::TryPass(TGate gate, std::string_view exit) {
  TLocks* locks = g_locks.load();
  if (!locks) {
    return false;
  }
  std::array<TGateState, 6>* gates = &locks->gates;
  if (!exit.empty()) {
    // Entries are never removed, so the address stays valid once the map lock is let go.
    std::lock_guard mapLock(locks->exitsMap);
    auto it = locks->exits.find(exit);
    if (it == locks->exits.end()) {
      it = locks->exits.emplace(std::string(exit), std::array<TGateState, 6>{}).first;
    }
    gates = &it->second;
  }
  std::lock_guard lock(locks->LockOf(gate));
  auto& state = (*gates)[static_cast<std::size_t>(gate)];
  std::int64_t now = NowMs();
  if (state.lastPass && now - *state.lastPass <= GateIntervalMs(gate) / g_intervalDivisor.load()) {
    return false;
  }
  state.lastPass = now;
  if (TPacingClock* clock = g_clock.load()) {
    clock->Passed(gate, now);
    clock->PassedExit(gate, std::string(exit), now);
  }
  return true;
}

void TEngineLocks::Restamp(TGate gate, std::string_view exit) {
  TLocks* locks = g_locks.load();
  if (!locks || exit.empty()) {
    return;
  }
  std::array<TGateState, 6>* gates = nullptr;
  {
    std::lock_guard mapLock(locks->exitsMap);
    auto it = locks->exits.find(exit);
    if (it == locks->exits.end()) {
      return;
    }
    gates = &it->second;
  }
  std::lock_guard lock(locks->LockOf(gate));
  auto& state = (*gates)[static_cast<std::size_t>(gate)];
  state.lastPass = std::max(state.lastPass.value_or(0), NowMs());
}

void TEngineLocks::SetIntervalDivisorForTesting(int divisor) {
  g_intervalDivisor.store(divisor > 0 ? divisor : 1);
}

void TEngineLocks::WithCrawlerList(const std::function<void()>& f) {
  TLocks* locks = g_locks.load();
  if (!locks) {
    return;
  }
  std::lock_guard lock(locks->crawlers);
  f();
}

void TEngineLocks::SetClockForTesting(TPacingClock* clock) {
  g_clock.store(clock);
}

std::int64_t TEngineLocks::NowMs() {
  TPacingClock* clock = g_clock.load();
  return clock ? clock->NowMs() : SteadyMs();
}

void TEngineLocks::Sleep(int ms, const std::function<void(int)>& realWait) {
  if (TPacingClock* clock = g_clock.load()) {
    clock->Sleep(ms, realWait);
  } else {
    realWait(ms);
  }
}

}  // namespace vlmr
