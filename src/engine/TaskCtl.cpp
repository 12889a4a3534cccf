#include "engine/TaskCtl.h"

#include <algorithm>

#include "base/Guarded.h"
#include "engine/Caiji360.h"
#include "engine/CaijiBaidu.h"
#include "engine/CaijiSouGou.h"
#include "engine/Collector.h"

namespace vlmr {
namespace {

TCollectorThread* MakeCollector(TEngineIndex engine, const TWindowHandle& window,
                                const std::string& keyword, int startPage) {
  switch (engine) {
    case ENGINE_BAIDU:
      return new TCaijiBaidu(window, keyword, startPage);
    case ENGINE_SOGOU:
      return new TCaijiSouGou(window, keyword, startPage);
    case ENGINE_360:
      return new TCaiji360(window, keyword, startPage);
  }
  return nullptr;
}

TGuarded<TTaskCtl::TCollectorFactory>& Factory() {
  static TGuarded<TTaskCtl::TCollectorFactory> factory(MakeCollector);
  return factory;
}

}  // namespace

std::shared_ptr<TTaskCtl> TTaskCtl::Create(std::string keyword, TWindowHandle window, bool useBaidu,
                                           bool useSogou, bool use360) {
  std::shared_ptr<TTaskCtl> ctl(new TTaskCtl);
  ctl->keyword = std::move(keyword);
  ctl->window = std::move(window);
  ctl->useBaidu = useBaidu;
  ctl->useSogou = useSogou;
  ctl->use360 = use360;
  return ctl;
}

TTaskCtl::~TTaskCtl() {
  StopAll();
}

void TTaskCtl::SetCollectorFactory(TCollectorFactory factory) {
  Factory().Set(factory ? std::move(factory) : TCollectorFactory(MakeCollector));
}

void TTaskCtl::Start() {
  const TCollectorFactory factory = Factory().Get();
  if (!factory) {
    return;
  }
  const std::pair<TEngineIndex, bool> plan[] = {
      {ENGINE_BAIDU, useBaidu}, {ENGINE_SOGOU, useSogou}, {ENGINE_360, use360}};
  const int startPages[] = {startPageBaidu, startPageSogou, startPage360};
  for (const auto& step : plan) {
    const TEngineIndex engine = step.first;
    const bool use = step.second;
    const std::string name = kEngines[engine].name;
    bool running = std::any_of(threads.begin(), threads.end(),
                               [&](const auto& entry) { return entry.first == name; });
    if (!use || running) {
      continue;
    }
    TCollectorThread* collector = factory(engine, window, keyword, startPages[engine]);
    if (!collector) {
      continue;
    }
    // The notification keeps this controller alive until the collector has ended.
    collector->SetOnTerminate([self = shared_from_this(), engine](TWorkerThread& worker) {
      self->EngineEnded(engine, static_cast<TCollectorThread&>(worker));
    });
    threads.emplace_back(name, collector);
    try {
      collector->Start();
    } catch (...) {
      // No thread could be made: the engine does not run (the object, never started, is
      // left to the process's end).
      threads.pop_back();
    }
  }
}

void TTaskCtl::Pause(bool paused) {
  for (auto& entry : threads) {
    entry.second->SetPaused(paused);
  }
}

void TTaskCtl::StopAll() {
  while (!threads.empty()) {
    threads.back().second->Terminate();
    threads.pop_back();
  }
}

void TTaskCtl::EngineEnded(TEngineIndex engine, TCollectorThread& collector) {
  switch (engine) {
    case ENGINE_BAIDU:
      useBaidu = false;
      break;
    case ENGINE_SOGOU:
      useSogou = false;
      break;
    case ENGINE_360:
      use360 = false;
      break;
  }
  // Only the entry of this very collector: after StopAll and a new Start the name may belong
  // to a newer collector.
  auto it = std::find_if(threads.begin(), threads.end(),
                         [&](const auto& entry) { return entry.second == &collector; });
  if (it != threads.end()) {
    threads.erase(it);
  }
  if (onEngineEnd) {
    onEngineEnd(*this, engine, collector.Progress().keyword, collector.Progress().page);
  }
}

}  // namespace vlmr
