// The proxies the program's requests go out through, shared by every collector and crawler.
// With no list set nothing goes through a proxy. With a list:
//  - every result page goes through a proxy; the collectors take the proxies in turn, each
//    proxy with its own pacing gates (Gates.h), so the intervals hold per proxy;
//  - company sites and the filing lookup go direct, or through the proxies in turn when the
//    user ticked it;
//  - a proxy an engine answered with its verification page cools down for that engine (1, 2,
//    4 ... 30 minutes in a row, back to 1 after a normal answer) and the others take over; when
//    every proxy is cooling for an engine, its collectors wait for the first to come back;
//  - a proxy that fails three times in a row (unreachable, credentials refused, request not
//    passed on) is set aside for 10 minutes, for every engine.
// Times are on the pacing clock (TEngineLocks::NowMs). The pool has a lock of its own, never
// held together with a gate lock or the crawler-list lock.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/Gates.h"
#include "engine/records/KeyUnit.h"
#include "net/ProxyList.h"
#include "net/ProxyStore.h"

namespace vlmr {

// The way out of one request: direct, or a proxy with its number in the list (1-based).
struct TExit {
  int number = 0;
  std::optional<TProxy> proxy;

  std::string Key() const { return proxy ? proxy->Key() : std::string(); }
};

enum class TProxyState { Working, Cooling, SetAside };

// What a window or a command shows of one proxy. No password in it.
struct TProxyStatus {
  int number = 0;
  std::string display;
  std::string key;  // TProxy::Key of the proxy
  std::int64_t requests = 0;
  std::int64_t verifications = 0;
  std::int64_t failures = 0;
  TProxyState state = TProxyState::Working;
  std::array<std::int64_t, 3> coolingLeftMs{};  // per engine index; 0: not cooling
  std::int64_t setAsideLeftMs = 0;
};

// "正常", "冷却中", "暂停使用" (GBK).
std::string ProxyStateText(TProxyState state);

class TProxyPool {
 public:
  static constexpr int kFailuresToSetAside = 3;
  static constexpr std::int64_t kSetAsideMs = 10 * 60 * 1000;

  // Takes a new list (UI thread, any time). A proxy that stays in the list keeps its counters,
  // its cool-downs and its failures; numbers follow the new order.
  static void Configure(const TProxySettings& settings);
  static bool Active();
  static bool SitesThroughProxies();
  static std::vector<TProxyStatus> Status();

  struct TPick {
    bool passed = false;
    TExit exit;
    // Nothing passed because no proxy may be used now (cooling for this engine, or set aside);
    // the first comes back at this time.
    bool noneUsable = false;
    std::int64_t backAtMs = 0;
  };
  // Tries the usable proxies in turn from `turn` and passes the first whose `gate` opens;
  // `turn` then points past it. Cooling counts only for result pages (`page`).
  static TPick TryPass(TGate gate, TEngineIndex engine, bool page, int& turn);

  // How a request through `exit` went (a direct exit is not counted).
  // A normal answer: the proxy works, and its cool-down for `engine` starts again at 1 minute.
  static void Answered(const TExit& exit, TEngineIndex engine);
  // A verification page: the proxy cools down for `engine`. Returns the number of the proxy
  // that comes next in turn from `turn` and may be used now (0: every proxy is cooling).
  static int Challenged(const TExit& exit, TEngineIndex engine, int turn);
  // The proxy is to blame; the third in a row sets it aside.
  static void Failed(const TExit& exit);
};

}  // namespace vlmr
