// The task of one keyword: one collector per ticked engine, paused, resumed and stopped on the
// user's commands. Everything here runs on the UI thread; collectors end on their own and
// their end notifications (delivered on the UI thread) remove them and report the page they
// reached. A controller stays alive while any collector it started can still notify it: each
// collector's notification holds a reference, so the owner only drops its own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/MessageTarget.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {

class TCollectorThread;

class TTaskCtl : public std::enable_shared_from_this<TTaskCtl> {
 public:
  using TEngineEnd = std::function<void(TTaskCtl& controller, int engineIndex,
                                        const std::string& keyword, int page)>;
  // Makes a collector, not yet started; nullptr when the engine has none.
  using TCollectorFactory = std::function<TCollectorThread*(
      TEngineIndex engine, const TWindowHandle& window, const std::string& keyword, int startPage)>;

  static std::shared_ptr<TTaskCtl> Create(std::string keyword, TWindowHandle window, bool useBaidu,
                                          bool useSogou, bool use360);
  ~TTaskCtl();
  TTaskCtl(const TTaskCtl&) = delete;
  TTaskCtl& operator=(const TTaskCtl&) = delete;

  bool IsRunning() const { return !threads.empty(); }
  // Starts, for Baidu, Sogou and 360 in turn, each engine whose flag is set and that does not
  // run yet.
  void Start();
  void Pause(bool paused);
  // Asks every collector to stop and forgets them at once, last first. Does not wait.
  void StopAll();

  // The collectors the program makes (the Baidu, Sogou and 360 collectors); tests put their
  // own in, and nullptr brings the real ones back.
  static void SetCollectorFactory(TCollectorFactory factory);

  std::vector<std::pair<std::string, TCollectorThread*>> threads;
  TWindowHandle window;
  int startPageBaidu = 0;
  int startPageSogou = 0;
  int startPage360 = 0;
  std::string keyword;
  TEngineEnd onEngineEnd;
  bool useBaidu = false;
  bool useSogou = false;
  bool use360 = false;

 private:
  TTaskCtl() = default;
  void EngineEnded(TEngineIndex engine, TCollectorThread& collector);
};

}  // namespace vlmr
