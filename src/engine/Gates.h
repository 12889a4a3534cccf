// Program-wide request pacing. Six gates, two per engine (result pages and site entries), each
// guarded by its engine's gate lock, plus the crawler-list lock over every collector's list of
// running crawlers. The six gates exist once per exit address: the direct connection (the
// empty exit) and each proxy (its key, ProxyList.h), so that requests through any one exit
// keep the intervals while N exits together may go N times as fast. The main window creates them
// before any task can start and destroys them after every worker has ended. No code holds two of
// these locks at once.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace vlmr {

enum class TGate : int {
  BaiduPage = 0,  // 2000 ms
  BaiduSite,      // 1000 ms
  SogouPage,      // 3000 ms
  SogouSite,      // 2000 ms
  Page360,        // 3000 ms
  Site360,        // 2000 ms
};

int GateIntervalMs(TGate gate);

// Milliseconds on a monotonic clock, and a sleep. Tests replace both with virtual time so that
// pacing is checked without waiting.
class TPacingClock {
 public:
  virtual ~TPacingClock() = default;
  virtual std::int64_t NowMs() = 0;
  // Waits `ms`; `realWait` is the caller's stop-aware wait, used by the real clock.
  virtual void Sleep(int ms, const std::function<void(int)>& realWait) = 0;
  // Told of every pass, under the gate's lock, with the time recorded for it, and of the exit
  // it was for (empty: direct).
  virtual void Passed(TGate gate, std::int64_t nowMs) {}
  virtual void PassedExit(TGate gate, const std::string& exit, std::int64_t nowMs) {}
};

class TEngineLocks {
 public:
  // Creates the process-wide locks and gates (idempotent) / destroys them. Destroy only after
  // every worker has ended; while any worker is still alive (an end that ran out of time) the
  // locks are taken away but not freed, so that a worker still holding them stays sound.
  static void Create();
  static void Destroy();
  static bool Exist();

  // Passes the gate when strictly more than its interval has elapsed since its last pass (a
  // gate never passed passes at once), recording now as its last pass; test and update happen
  // together under the engine's gate lock. False when the locks do not exist. `exit` names the
  // exit address whose gate it is (empty: the direct connection).
  static bool TryPass(TGate gate, std::string_view exit = {});

  // Moves the exit's last pass of `gate` to now (never back): a request through a proxy is
  // spaced from the moment it went out, which a slow tunnel set-up may delay past the pass.
  static void Restamp(TGate gate, std::string_view exit);

  // Runs `f` under the crawler-list lock (nothing when the locks do not exist).
  static void WithCrawlerList(const std::function<void()>& f);

  // nullptr restores the real monotonic clock.
  static void SetClockForTesting(TPacingClock* clock);
  static std::int64_t NowMs();
  // Benchmark seam: every interval divided by `divisor` (1 restores them).
  static void SetIntervalDivisorForTesting(int divisor);
  static void Sleep(int ms, const std::function<void(int)>& realWait);
};

}  // namespace vlmr
