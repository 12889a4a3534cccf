// Soak run of collection: three keyword tasks on all three engines, real collectors and real
// crawlers at the real pace, against the simulated web with 300 company sites that answer
// after a random delay and fail a share of the time. Reports peak threads, peak live workers,
// peak memory, crawlers started per engine per second (against the site gates' limits), pages
// per engine, and how long the workers take to end after StopAll (at most 2 s, or the run
// fails).
//
//   engine_soak [seconds [latency [failures]]]
//
// seconds: length of the run (60); latency: the sites' answer delay in milliseconds, "MAX" for
// 0 to MAX or "MIN-MAX" (0-400); failures: the share of answers that fail, 0 to 1 (0.05). A
// slow web: engine_soak 120 1000-20000 0.1
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/Dispatcher.h"
#include "base/MessageTarget.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "engine/BeiAn.h"
#include "engine/CaijiBaidu.h"
#include "engine/CaijiPageCon.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "engine/TaskCtl.h"
#include "net/HttpClient.h"
#include "support/ConnectToWeb.h"
#include "support/EngineSites.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSites = 300;
constexpr int kResultsPerPage = 6;

struct TSoakOptions {
  int seconds = 60;
  int minLatencyMs = 0;
  int maxLatencyMs = 400;
  double failureRate = 0.05;
};

// A value of /proc/self/status in kB (or a count); 0 when unknown.
long StatusValue(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  std::string prefix = std::string(key) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0)
      return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return 0;
}

class TRandom {
 public:
  int Below(int n) {
    std::lock_guard lock(mutex_);
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
  }
  bool Chance(double p) {
    std::lock_guard lock(mutex_);
    return std::bernoulli_distribution(p)(engine_);
  }

 private:
  std::mutex mutex_;
  std::mt19937 engine_{20240601};
};

std::string SiteUrl(int n) {
  return "http://www.s" + std::to_string(n) + ".soak-site.com/";
}

// A company site: its home page carries the contacts of about half of them.
TPage CompanyPage(int n) {
  std::string name = "第" + std::to_string(n) + "号机电设备有限公司";
  std::string body = "<html><head><title>" + name + "</title></head><body><h1>" + name + "</h1>";
  if (n % 2 == 0) {
    body += "电话：020-8" + std::to_string(1000000 + n) + " 手机：138" +
            std::to_string(10000000 + n) + "<br>地址：广州市天河区体育西路" + std::to_string(n) +
            "号";
  }
  body += "</body></html>";
  return TPage::Html(body);
}

struct TStarts {
  std::mutex mutex;
  std::map<TCrawlerFlavour, std::vector<Clock::time_point>> times;
};

int Run(const TSoakOptions& options) {
  const int seconds = options.seconds;
  InitNetwork();
  TTempFolder folder;
  TCaijiBaidu::SetLastPageFolderForTesting(folder.Path().string());
  TScopedQueueDispatcher ui;
  TEngineLocks::Create();

  // What the site handler uses outlives the server, whose threads may still run it as it ends.
  TRandom random;
  std::atomic<bool> ending{false};
  auto pick = [&random] { return SiteUrl(random.Below(kSites)); };
  TSimulatedWeb web;
  TConnectToWeb connect(web);
  TEngineSites sites(web);

  // Company sites and the filing lookup: random delay, some failures. The delay is slept in
  // short steps so that the server's threads are free soon after the run ends.
  web.SetDefaultHandler([&random, &options, &ending](const TRequest& r) {
    const Clock::time_point until =
        Clock::now() +
        std::chrono::milliseconds(options.minLatencyMs +
                                  random.Below(options.maxLatencyMs - options.minLatencyMs + 1));
    while (!ending && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (random.Chance(options.failureRate))
      return random.Chance(0.5) ? TPage::Faulty(TFault::Reset) : TPage::Error(500, "error");
    int n = 0;
    std::sscanf(r.host.c_str(), "www.s%d.", &n);
    return CompanyPage(n);
  });
  sites.SetGenerator(TSearchEngine::Baidu, [&](int) {
    TBaiduPage page;
    for (int i = 0; i < kResultsPerPage / 2; ++i) {
      page.ads.push_back({"广告公司" + std::to_string(i), pick()});
      page.results.push_back({"结果公司" + std::to_string(i), pick()});
    }
    return TPage::Html(BaiduHtml(page));
  });
  for (TSearchEngine engine : {TSearchEngine::Sogou, TSearchEngine::So360}) {
    sites.SetGenerator(engine, [&, engine](int) {
      TLinkPage page;
      for (int i = 0; i < kResultsPerPage; ++i)
        page.results.push_back({"公司", pick(), i % 3 == 0});
      return TPage::Html(engine == TSearchEngine::Sogou ? SogouHtml(page) : So360Html(page));
    });
  }

  TStarts starts;
  TCollectorThread::SetCrawlerFactoryForTesting([&starts](const TCrawlerOrder& order) {
    {
      std::lock_guard lock(starts.mutex);
      starts.times[order.flavour].push_back(Clock::now());
    }
    TWorkerThread* crawler = order.flavour == TCrawlerFlavour::Baidu
                                 ? new TCaijiPageCon(order.para)
                                 : new TCaijiPageCon(order.flavour, order.para.window,
                                                     order.para.keyword, order.para.url);
    return crawler;
  });

  std::map<std::string, int> pages;  // by source label
  int companies = 0;
  TWindowHandle window =
      TMessageTarget::Create(nullptr, [&](std::uint32_t msg, const TMessagePayload& payload) {
        const TCollectReport* report = AsCollectReport(msg, payload);
        if (!report)
          return;
        if (const auto* page = std::get_if<TPageReport>(&report->Body()))
          ++pages[GbkToUtf8(page->progress->source)];
        if (report->Kind() == REPORT_COMPANY)
          ++companies;
      });

  std::vector<std::shared_ptr<TTaskCtl>> tasks;
  int ended = 0;
  for (const char* keyword : {"广州 电子公司", "上海 网络公司", "深圳 机电设备"}) {
    auto task = TTaskCtl::Create(Utf8ToGbk(keyword), window, true, true, true);
    task->onEngineEnd = [&ended](TTaskCtl&, int, const std::string&, int) { ++ended; };
    tasks.push_back(task);
  }
  const Clock::time_point begin = Clock::now();
  for (auto& task : tasks)
    task->Start();

  long peakThreads = 0;
  int peakWorkers = 0;
  const Clock::time_point end = begin + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    ui->ProcessUntil([] { return false; }, 100);
    peakThreads = std::max(peakThreads, StatusValue("Threads"));
    peakWorkers = std::max(peakWorkers, TWorkerRegistry::Count());
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();

  const int endedBeforeStop = ended;
  const Clock::time_point stop = Clock::now();
  for (auto& task : tasks)
    task->StopAll();
  bool drained = TWorkerRegistry::WaitUntilEmpty(10000, [&] { ui->ProcessEvents(); });
  const double drainMs = std::chrono::duration<double, std::milli>(Clock::now() - stop).count();
  ending = true;
  web.ReleaseStalls();

  std::printf("soak: %.1f s, 3 tasks x 3 engines, %d sites, latency %d-%d ms, %.0f %% failures\n",
              elapsed, kSites, options.minLatencyMs, options.maxLatencyMs,
              options.failureRate * 100);
  std::printf("peak threads %ld, peak live workers %d, peak memory (VmHWM) %ld kB\n", peakThreads,
              peakWorkers, StatusValue("VmHWM"));
  std::printf("result pages: Baidu %d, Sogou %d, 360 %d; companies reported %d\n", pages["百度"],
              pages["搜狗"], pages["360"], companies);
  bool paced = true;
  struct TLimit {
    TCrawlerFlavour flavour;
    const char* name;
    int intervalMs;
  } limits[] = {{TCrawlerFlavour::Baidu, "Baidu", 1000},
                {TCrawlerFlavour::Sogou, "Sogou", 2000},
                {TCrawlerFlavour::So360, "360", 2000}};
  for (const TLimit& limit : limits) {
    std::vector<Clock::time_point> times = starts.times[limit.flavour];
    double shortest = 1e9;
    for (std::size_t i = 1; i < times.size(); ++i) {
      shortest = std::min(
          shortest, std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    }
    // Starts per second over the span they cover (n starts make n - 1 gaps).
    double span =
        times.size() < 2 ? 0 : std::chrono::duration<double>(times.back() - times.front()).count();
    double rate = span > 0 ? (times.size() - 1) / span : 0;
    double cap = 1000.0 / limit.intervalMs;
    // A pass needs strictly more than the interval since the last; the clock's resolution
    // allows a millisecond of slack in what is measured here.
    bool ok = times.size() < 2 || shortest > limit.intervalMs - 1;
    paced = paced && ok;
    std::printf(
        "crawlers %-5s: %zu started, %.3f/s (gate allows %.3f/s), shortest gap %.0f ms %s\n",
        limit.name, times.size(), rate, cap, times.size() < 2 ? 0.0 : shortest,
        ok ? "ok" : "TOO FAST");
  }
  std::printf("engines ended on their own before the stop: %d; end notifications after it: %d\n",
              endedBeforeStop, ended - endedBeforeStop);
  std::printf("after StopAll: registry %s in %.0f ms (limit 2000 ms)\n",
              drained ? "empty" : "NOT EMPTY", drainMs);

  TCollectorThread::SetCrawlerFactoryForTesting(nullptr);
  TEngineLocks::Destroy();
  TCaijiBaidu::SetLastPageFolderForTesting("");
  window->Close();
  return drained && drainMs <= 2000 && paced ? 0 : 1;
}

}  // namespace
}  // namespace vlmr::test

int main(int argc, char** argv) {
  vlmr::test::TSoakOptions options;
  if (argc > 1) {
    options.seconds = std::atoi(argv[1]);
  }
  if (argc > 2) {
    int low = 0;
    int high = 0;
    if (std::sscanf(argv[2], "%d-%d", &low, &high) == 2) {
      options.minLatencyMs = low;
      options.maxLatencyMs = high;
    } else {
      options.maxLatencyMs = std::atoi(argv[2]);
    }
  }
  if (argc > 3) {
    options.failureRate = std::atof(argv[3]);
  }
  if (options.seconds <= 0 || options.minLatencyMs < 0 ||
      options.maxLatencyMs < options.minLatencyMs || options.failureRate < 0 ||
      options.failureRate > 1) {
    std::fprintf(stderr, "usage: engine_soak [seconds [latency-ms or min-max [failure share]]]\n");
    return 2;
  }
  return vlmr::test::Run(options);
}
