// Result-page rates through real proxies, measured on the wire: a Baidu collector pages through
// the simulated engine via 0 (direct), 1 or 3 tinyproxy instances, with every pacing interval
// divided by 10 (Baidu's 2000 ms becomes 200 ms) so that a run takes seconds. Counters:
//   pages_per_s      result pages per second over the run, as the engine saw them arrive
//   min_spacing_ms   the shortest gap between two pages through the same exit (the wire
//                    spacing the gates keep per proxy; at least the divided interval)
//   per_exit_rate    pages per second through each exit
// With 3 proxies the rate should be about 3 times that of 1 while the spacing stays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Dispatcher.h"
#include "base/MessageTarget.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "engine/CaijiBaidu.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "engine/ProxyPool.h"
#include "engine/records/KeyUnit.h"
#include "net/HttpClient.h"
#include "support/ConnectToWeb.h"
#include "support/EngineSites.h"
#include "support/RealProxies.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

constexpr int kDivisor = 10;
constexpr int kPages = 24;
constexpr const char* kOut[] = {"127.0.0.21", "127.0.0.22", "127.0.0.23"};

void BM_BaiduPagesThroughProxies(benchmark::State& state) {
  const int proxies = static_cast<int>(state.range(0));
  if (proxies > 0 && !TRealProxy::Installed(TProxyServer::Tinyproxy)) {
    state.SkipWithError(TRealProxy::MissingText(TProxyServer::Tinyproxy).c_str());
    return;
  }
  InitNetwork();
  TScopedQueueDispatcher ui;
  TEngineLocks::Create();
  TEngineLocks::SetIntervalDivisorForTesting(kDivisor);
  TTempFolder folder;
  TCaijiBaidu::SetLastPageFolderForTesting(folder.Path().string());
  TCollectorThread::SetCrawlerFactoryForTesting([](const TCrawlerOrder&) { return nullptr; });

  std::vector<std::unique_ptr<TRealProxy>> servers;
  TProxySettings settings;
  for (int i = 0; i < proxies; ++i) {
    servers.push_back(std::make_unique<TRealProxy>(TProxyServer::Tinyproxy, kOut[i]));
    settings.proxies.push_back(servers.back()->AsProxy(TProxyKind::Http));
  }
  TProxyPool::Configure(settings);

  double rate = 0, minSpacing = 1e9, perExit = 0;
  for (auto _ : state) {
    TSimulatedWeb web;
    TConnectToWeb route(web);
    TEngineSites sites(web);
    int pages = 0;
    TWindowHandle window = TMessageTarget::Create(
        [&pages](std::uint32_t msg, std::uintptr_t kind, std::intptr_t) -> std::intptr_t {
          if (msg == WM_COLLECT_REPORT && kind == REPORT_PAGE)
            ++pages;
          return 0;
        });
    auto* collector = new TCaijiBaidu(window, Utf8ToGbk("电子"), 0);
    collector->Start();
    ui->ProcessUntil([&] { return pages >= kPages; }, 60000);
    collector->Terminate();
    ui->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, 10000);
    window->Close();

    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> byExit;
    std::vector<std::chrono::steady_clock::time_point> all;
    for (const TRequest& r : web.RequestsTo(SearchHost(TSearchEngine::Baidu))) {
      byExit[r.peer].push_back(r.time);
      all.push_back(r.time);
    }
    auto ms = [](auto a, auto b) {
      return std::chrono::duration<double, std::milli>(b - a).count();
    };
    if (all.size() >= 2)
      rate = (static_cast<double>(all.size()) - 1) * 1000.0 / ms(all.front(), all.back());
    for (auto& [exit, times] : byExit) {
      for (std::size_t i = 1; i < times.size(); ++i)
        minSpacing = std::min(minSpacing, ms(times[i - 1], times[i]));
    }
    perExit = rate / static_cast<double>(std::max<std::size_t>(1, byExit.size()));
  }
  state.counters["pages_per_s"] = rate;
  state.counters["min_spacing_ms"] = minSpacing;
  state.counters["interval_ms"] = GateIntervalMs(TGate::BaiduPage) / kDivisor;
  state.counters["per_exit_rate"] = perExit;

  TProxyPool::Configure({});
  TCollectorThread::SetCrawlerFactoryForTesting(nullptr);
  TCaijiBaidu::SetLastPageFolderForTesting("");
  TEngineLocks::SetIntervalDivisorForTesting(1);
  TEngineLocks::Destroy();
}
BENCHMARK(BM_BaiduPagesThroughProxies)
    ->Arg(0)
    ->Arg(1)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr::test

BENCHMARK_MAIN();
