// What the collector tests share: a pacing clock in virtual time, a window that records the
// reports it receives, crawlers that only record what they were given, and the simulated web
// with the three engines on it. "2.txt" goes to a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Dispatcher.h"
#include "base/MessageTarget.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "engine/Caiji360.h"
#include "engine/CaijiBaidu.h"
#include "engine/CaijiSouGou.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "engine/records/KeyUnit.h"
#include "net/HttpClient.h"
#include "support/ConnectToWeb.h"
#include "support/EngineSites.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"

namespace vlmr::test {

inline constexpr int kWaitMs = 20000;  // bound of every wait for something that must happen

// Virtual time for the gates. A sleep advances the clock at once. Frozen, it does not: sleepers
// then poll in real time (a millisecond, cut short by a stop) while the clock stands, so a
// collector waits at a gate for as long as the test likes. With a hold on a gate, each pass of
// it stops the clock for every sleeper until Release (the simulated engine calls it when the
// request arrives), so no other pass of that gate can come between a pass and its request.
class TTestClock : public TPacingClock {
 public:
  std::int64_t NowMs() override { return now_.load(); }

  void Sleep(int ms, const std::function<void(int)>& realWait) override {
    std::unique_lock lock(mutex_);
    ++sleeps_[ms];
    if (frozen_.load()) {
      lock.unlock();
      changed_.notify_all();
      realWait(1);
      return;
    }
    // Bounded: a pass whose request never comes (a stop right after it) lets time go on.
    changed_.wait_for(lock, std::chrono::seconds(2), [&] { return !held_; });
    now_.fetch_add(ms);
    lock.unlock();
    changed_.notify_all();
    std::this_thread::yield();
  }

  void Passed(TGate gate, std::int64_t nowMs) override {
    std::lock_guard lock(mutex_);
    passes_.push_back({gate, nowMs});
    if (holdOn_.count(gate) != 0) {
      held_ = true;
    }
  }

  void Advance(std::int64_t ms) { now_.fetch_add(ms); }
  void Freeze(bool frozen) { frozen_.store(frozen); }
  void HoldOn(TGate gate) {
    std::lock_guard lock(mutex_);
    holdOn_[gate] = true;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      held_ = false;
    }
    changed_.notify_all();
  }

  int Sleeps(int ms) {
    std::lock_guard lock(mutex_);
    return sleeps_[ms];
  }
  // The time of the gate's latest pass (0: none yet).
  std::int64_t LastPass(TGate gate) {
    std::vector<std::int64_t> all = Passes(gate);
    return all.empty() ? 0 : all.back();
  }
  std::vector<std::int64_t> Passes(TGate gate) {
    std::lock_guard lock(mutex_);
    std::vector<std::int64_t> out;
    for (const auto& p : passes_) {
      if (p.first == gate)
        out.push_back(p.second);
    }
    return out;
  }

 private:
  std::atomic<std::int64_t> now_{5'000'000};
  std::atomic<bool> frozen_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, int> sleeps_;
  std::map<TGate, bool> holdOn_;
  bool held_ = false;
  std::vector<std::pair<TGate, std::int64_t>> passes_;
};

// A report as the window received it.
struct TReport {
  std::uintptr_t kind;
  std::string keyword;
  std::string text;  // the message (kind 1), the status text (kind 3), the name (kind 0)
  int page = 0;
  std::string source;
  std::thread::id thread;
  // Of a company (kind 0).
  std::string webUrl{};
  int isPay = 0;
  int renZheng = 0;
};

// A window that keeps every report. `onReport` runs on the UI thread inside the send, while
// the sender waits: a test may stop a collector there.
class TRecordingWindow {
 public:
  TRecordingWindow() {
    handle_ =
        TMessageTarget::Create(nullptr, [this](std::uint32_t msg, const TMessagePayload& payload) {
          const TCollectReport* collect = AsCollectReport(msg, payload);
          if (!collect)
            return;
          TReport report{collect->Kind(), {}, {}, 0, {}, std::this_thread::get_id()};
          auto progress = [&](const TCaiJiInfo& info) {
            report.keyword = info.keyword;
            report.text = info.message;
            report.page = info.page;
            report.source = info.source;
          };
          std::visit(
              [&](const auto& body) {
                using T = std::decay_t<decltype(body)>;
                if constexpr (std::is_same_v<T, TStatusReport>) {
                  report.text = *body.text;
                } else if constexpr (std::is_same_v<T, TCompanyReport>) {
                  report.keyword = body.company->keyword;
                  report.text = body.company->GetComName();
                  report.source = body.company->source;
                  report.webUrl = body.company->webUrl;
                  report.isPay = body.company->isPay;
                  report.renZheng = body.company->renZheng;
                } else {
                  progress(*body.progress);
                }
              },
              collect->Body());
          reports_.push_back(report);
          if (onReport)
            onReport(reports_.back());
        });
  }
  ~TRecordingWindow() { handle_->Close(); }

  const TWindowHandle& Handle() const { return handle_; }
  // UI thread only.
  const std::vector<TReport>& Reports() const { return reports_; }
  std::vector<TReport> OfKind(std::uintptr_t kind) const {
    std::vector<TReport> out;
    for (const TReport& r : reports_) {
      if (r.kind == kind)
        out.push_back(r);
    }
    return out;
  }
  std::vector<int> Pages() const {
    std::vector<int> out;
    for (const TReport& r : OfKind(REPORT_PAGE))
      out.push_back(r.page);
    return out;
  }
  int Count(std::uintptr_t kind, const std::string& text) const {
    int n = 0;
    for (const TReport& r : reports_)
      n += r.kind == kind && r.text == text ? 1 : 0;
    return n;
  }

  void Clear() { reports_.clear(); }

  std::function<void(const TReport&)> onReport;

 private:
  TWindowHandle handle_;
  std::vector<TReport> reports_;
};

// Crawlers that record their orders and then wait until released or stopped.
class TCrawlerBook {
 public:
  class TFakeCrawler : public TWorkerThread {
   public:
    TFakeCrawler(TCrawlerBook& book, TCrawlerOrder order) : book_(book), order_(std::move(order)) {}
    void OnStopRequested() override {
      {
        std::lock_guard lock(book_.mutex_);
        stopped_ = true;
        ++book_.stopped_;
      }
      book_.changed_.notify_all();
    }

   protected:
    void Execute() override {
      std::unique_lock lock(book_.mutex_);
      ++book_.running_;
      book_.changed_.notify_all();
      book_.changed_.wait(lock, [&] { return stopped_ || book_.released_; });
      --book_.running_;
      book_.changed_.notify_all();
    }

   private:
    TCrawlerBook& book_;
    TCrawlerOrder order_;
    bool stopped_ = false;
  };

  // Installs the book as the collectors' crawler factory for its lifetime.
  TCrawlerBook() {
    TCollectorThread::SetCrawlerFactoryForTesting([this](const TCrawlerOrder& order) {
      {
        std::lock_guard lock(mutex_);
        orders_.push_back(order);
      }
      changed_.notify_all();
      if (onOrder)
        onOrder(order);
      return new TFakeCrawler(*this, order);
    });
  }
  ~TCrawlerBook() {
    Release();
    TCollectorThread::SetCrawlerFactoryForTesting(nullptr);
  }

  // Lets every crawler, now and later, end at once.
  void Release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    changed_.notify_all();
  }

  std::vector<TCrawlerOrder> Orders() const {
    std::lock_guard lock(mutex_);
    return orders_;
  }
  std::vector<std::string> Urls() const {
    std::vector<std::string> out;
    for (const TCrawlerOrder& o : Orders())
      out.push_back(o.para.url);
    return out;
  }
  std::size_t Made() const {
    std::lock_guard lock(mutex_);
    return orders_.size();
  }
  int Stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
  }
  int Running() const {
    std::lock_guard lock(mutex_);
    return running_;
  }

  // Runs on the collector's thread, before the crawler is made.
  std::function<void(const TCrawlerOrder&)> onOrder;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TCrawlerOrder> orders_;
  int running_ = 0;
  int stopped_ = 0;
  bool released_ = false;
};

// The simulated web with the engines on it, the engine locks and the test clock. Tests end by
// waiting until every worker has gone.
class CollectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitNetwork();
    TEngineLocks::Create();
    TEngineLocks::SetClockForTesting(&clock_);
    TCollectorThread::SetRequestTimeoutForTesting(2000);
    TCaijiBaidu::SetLastPageFolderForTesting(folder_.Path().string());
    // Company sites: a small page without contacts, whatever the host.
    web_.SetDefaultHandler([](const TRequest&) {
      return TPage::Html("<html><head><title>某某有限公司</title></head><body>欢迎</body></html>");
    });
  }
  void TearDown() override {
    crawlers_.Release();
    EXPECT_TRUE(DrainWorkers()) << "workers left behind";
    TCollectorThread::SetRequestTimeoutForTesting(0);
    TCaijiBaidu::SetLastPageFolderForTesting("");
    TEngineLocks::SetClockForTesting(nullptr);
    TEngineLocks::Destroy();
  }

  bool DrainWorkers(int timeoutMs = kWaitMs) {
    return ui_->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, timeoutMs);
  }
  bool Until(const std::function<bool()>& done) { return ui_->ProcessUntil(done, kWaitMs); }

  // Starts a collector with an end notification that records its page; returns it (valid
  // until `ended` turns true, on the UI thread).
  template <class TCollector>
  TCollector* StartCollector(const std::string& keywordGbk, int startPage) {
    auto* collector = new TCollector(window_.Handle(), keywordGbk, startPage);
    collector->SetOnTerminate([this](TWorkerThread& worker) {
      endPage_ = static_cast<TCollectorThread&>(worker).Progress().page;
      ended_ = true;
    });
    collector->Start();
    return collector;
  }

  // Stops `collector` inside the first of its own reports (progress or page) that `when`
  // accepts; the collector is alive then, waiting for the report to be handled.
  void StopWhen(TCollectorThread* collector, std::function<bool(const TReport&)> when) {
    window_.onReport = [this, collector, when](const TReport& r) {
      if (stopAsked_ || (r.kind != REPORT_PROGRESS && r.kind != REPORT_PAGE) || !when(r))
        return;
      stopAsked_ = true;
      collector->Terminate();
    };
  }
  TCollectorThread* StartEngine(TSearchEngine engine, const std::string& keywordGbk,
                                int startPage) {
    switch (engine) {
      case TSearchEngine::Baidu:
        return StartCollector<TCaijiBaidu>(keywordGbk, startPage);
      case TSearchEngine::Sogou:
        return StartCollector<TCaijiSouGou>(keywordGbk, startPage);
      case TSearchEngine::So360:
        return StartCollector<TCaiji360>(keywordGbk, startPage);
    }
    return nullptr;
  }
  void RunEnginePages(TSearchEngine engine, const std::string& keywordGbk, int startPage,
                      int pages) {
    StopAfterPages(StartEngine(engine, keywordGbk, startPage), pages);
    ASSERT_TRUE(Until([&] { return ended_; }));
  }

  // Forgets the previous run of a table's case: its reports, its end and its stop.
  void NextRun() {
    ASSERT_TRUE(DrainWorkers());
    window_.onReport = nullptr;
    window_.Clear();
    ended_ = stopAsked_ = false;
    endPage_ = -1;
  }
  void StopAfterPages(TCollectorThread* collector, int pages) {
    auto seen = std::make_shared<int>(0);
    StopWhen(collector,
             [seen, pages](const TReport& r) { return r.kind == REPORT_PAGE && ++*seen >= pages; });
  }
  // Runs a collector from `startPage` until it has reported `pages` pages (or ended), then
  // waits for its end.
  template <class TCollector>
  void RunPages(const std::string& keywordGbk, int startPage, int pages) {
    auto* collector = StartCollector<TCollector>(keywordGbk, startPage);
    StopAfterPages(collector, pages);
    ASSERT_TRUE(Until([&] { return ended_; }));
  }

  TTempFolder folder_;  // of "2.txt"
  TScopedQueueDispatcher ui_;
  TTestClock clock_;
  TSimulatedWeb web_;
  TConnectToWeb connect_{web_};
  TEngineSites sites_{web_};
  TRecordingWindow window_;
  TCrawlerBook crawlers_;
  bool ended_ = false;
  bool stopAsked_ = false;
  int endPage_ = -1;
};

}  // namespace vlmr::test
