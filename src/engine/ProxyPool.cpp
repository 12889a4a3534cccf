#include "engine/ProxyPool.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

#include "base/Text.h"
#include "engine/VerifyPage.h"

namespace vlmr {
namespace {

struct TEntry {
  TProxy proxy;
  int number = 0;
  std::int64_t requests = 0;
  std::int64_t verifications = 0;
  std::int64_t failures = 0;
  int failuresInRow = 0;
  std::int64_t setAsideUntil = 0;
  std::array<std::int64_t, 3> coolUntil{};
  std::array<int, 3> nextCoolMs{kFirstCoolDownMs, kFirstCoolDownMs, kFirstCoolDownMs};
};

struct TPoolState {
  std::mutex mutex;
  std::vector<std::shared_ptr<TEntry>> entries;
  bool sitesThrough = false;
};

TPoolState& Pool() {
  static TPoolState pool;
  return pool;
}

std::size_t EngineSlot(TEngineIndex engine) {
  return std::min<std::size_t>(static_cast<std::size_t>(engine), 2);
}

bool Usable(const TEntry& e, TEngineIndex engine, bool page, std::int64_t now) {
  return e.setAsideUntil <= now && (!page || e.coolUntil[EngineSlot(engine)] <= now);
}

std::int64_t BackAt(const TEntry& e, TEngineIndex engine, bool page) {
  std::int64_t at = e.setAsideUntil;
  if (page) {
    at = std::max(at, e.coolUntil[EngineSlot(engine)]);
  }
  return at;
}

// The entry of `exit`, when it is still in the list. Under the pool lock.
TEntry* Find(TPoolState& pool, const TExit& exit) {
  if (!exit.proxy) {
    return nullptr;
  }
  const std::string key = exit.proxy->Key();
  for (auto& e : pool.entries) {
    if (e->proxy.Key() == key) {
      return e.get();
    }
  }
  return nullptr;
}

}  // namespace

std::string ProxyStateText(TProxyState state) {
  switch (state) {
    case TProxyState::Working:
      return Utf8ToGbk("正常");
    case TProxyState::Cooling:
      return Utf8ToGbk("冷却中");
    case TProxyState::SetAside:
      return Utf8ToGbk("暂停使用");
  }
  return {};
}

void TProxyPool::Configure(const TProxySettings& settings) {
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  std::vector<std::shared_ptr<TEntry>> next;
  for (const TProxy& proxy : settings.proxies) {
    auto kept = std::find_if(pool.entries.begin(), pool.entries.end(),
                             [&](const auto& e) { return e->proxy.Key() == proxy.Key(); });
    auto entry = kept != pool.entries.end() ? *kept : std::make_shared<TEntry>();
    entry->proxy = proxy;  // the credentials may have changed
    entry->number = static_cast<int>(next.size()) + 1;
    next.push_back(std::move(entry));
  }
  pool.entries = std::move(next);
  pool.sitesThrough = settings.sitesThroughProxies;
}

bool TProxyPool::Active() {
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  return !pool.entries.empty();
}

bool TProxyPool::SitesThroughProxies() {
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  return !pool.entries.empty() && pool.sitesThrough;
}

std::vector<TProxyStatus> TProxyPool::Status() {
  const std::int64_t now = TEngineLocks::NowMs();
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  std::vector<TProxyStatus> out;
  for (const auto& e : pool.entries) {
    TProxyStatus s;
    s.number = e->number;
    s.display = e->proxy.Display();
    s.key = e->proxy.Key();
    s.requests = e->requests;
    s.verifications = e->verifications;
    s.failures = e->failures;
    bool cooling = false;
    for (std::size_t i = 0; i < 3; ++i) {
      s.coolingLeftMs[i] = std::max<std::int64_t>(0, e->coolUntil[i] - now);
      cooling = cooling || s.coolingLeftMs[i] > 0;
    }
    s.setAsideLeftMs = std::max<std::int64_t>(0, e->setAsideUntil - now);
    s.state = s.setAsideLeftMs > 0 ? TProxyState::SetAside
              : cooling            ? TProxyState::Cooling
                                   : TProxyState::Working;
    out.push_back(std::move(s));
  }
  return out;
}

TProxyPool::TPick TProxyPool::TryPass(TGate gate, TEngineIndex engine, bool page, int& turn) {
  TPick pick;
  const std::int64_t now = TEngineLocks::NowMs();
  // Candidates are chosen under the pool lock, and the gates tried after it is let go.
  std::vector<std::pair<int, TExit>> candidates;
  std::int64_t backAt = std::numeric_limits<std::int64_t>::max();
  {
    TPoolState& pool = Pool();
    std::lock_guard lock(pool.mutex);
    const int n = static_cast<int>(pool.entries.size());
    if (n == 0) {
      return pick;
    }
    turn = ((turn % n) + n) % n;
    for (int i = 0; i < n; ++i) {
      const int index = (turn + i) % n;
      const TEntry& e = *pool.entries[static_cast<std::size_t>(index)];
      if (Usable(e, engine, page, now)) {
        candidates.push_back({index, TExit{e.number, e.proxy}});
      } else {
        backAt = std::min(backAt, BackAt(e, engine, page));
      }
    }
  }
  if (candidates.empty()) {
    pick.noneUsable = true;
    pick.backAtMs = backAt;
    return pick;
  }
  for (auto& [index, exit] : candidates) {
    if (TEngineLocks::TryPass(gate, exit.proxy->Key())) {
      pick.passed = true;
      pick.exit = std::move(exit);
      turn = index + 1;
      return pick;
    }
  }
  return pick;
}

void TProxyPool::Answered(const TExit& exit, TEngineIndex engine) {
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  if (TEntry* e = Find(pool, exit)) {
    ++e->requests;
    e->failuresInRow = 0;
    e->nextCoolMs[EngineSlot(engine)] = kFirstCoolDownMs;
  }
}

int TProxyPool::Challenged(const TExit& exit, TEngineIndex engine, int turn) {
  const std::int64_t now = TEngineLocks::NowMs();
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  const std::size_t slot = EngineSlot(engine);
  if (TEntry* e = Find(pool, exit)) {
    ++e->requests;
    ++e->verifications;
    e->failuresInRow = 0;
    e->coolUntil[slot] = now + e->nextCoolMs[slot];
    e->nextCoolMs[slot] = NextCoolDownMs(e->nextCoolMs[slot]);
  }
  const int n = static_cast<int>(pool.entries.size());
  for (int i = 0; i < n; ++i) {
    const TEntry& e = *pool.entries[static_cast<std::size_t>((((turn % n) + n) % n + i) % n)];
    if (Usable(e, engine, true, now)) {
      return e.number;
    }
  }
  return 0;
}

void TProxyPool::Failed(const TExit& exit) {
  const std::int64_t now = TEngineLocks::NowMs();
  TPoolState& pool = Pool();
  std::lock_guard lock(pool.mutex);
  if (TEntry* e = Find(pool, exit)) {
    ++e->requests;
    ++e->failures;
    if (++e->failuresInRow >= kFailuresToSetAside) {
      e->failuresInRow = 0;
      e->setAsideUntil = now + kSetAsideMs;
    }
  }
}

}  // namespace vlmr
