#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Dispatcher.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "engine/TaskCtl.h"
#include "support/TestClocks.h"

namespace vlmr {
namespace {

constexpr int kWait = 10000;

using test::TVirtualClock;

class GatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TEngineLocks::Create();
    TEngineLocks::SetClockForTesting(&clock_);
  }
  void TearDown() override {
    TEngineLocks::SetClockForTesting(nullptr);
    TEngineLocks::Destroy();
  }
  TVirtualClock clock_;
};

TEST_F(GatesTest, PassOncePerIntervalStrictlyMore) {
  struct Case {
    TGate gate;
    int interval;
  } cases[] = {{TGate::BaiduPage, 2000}, {TGate::BaiduSite, 1000}, {TGate::SogouPage, 3000},
               {TGate::SogouSite, 2000}, {TGate::Page360, 3000},   {TGate::Site360, 2000}};
  for (const auto& c : cases) {
    EXPECT_EQ(GateIntervalMs(c.gate), c.interval);
    EXPECT_TRUE(TEngineLocks::TryPass(c.gate));  // never passed: passes at once
    EXPECT_FALSE(TEngineLocks::TryPass(c.gate));
    clock_.Advance(c.interval);
    EXPECT_FALSE(TEngineLocks::TryPass(c.gate)) << "exactly the interval is not enough";
    clock_.Advance(1);
    EXPECT_TRUE(TEngineLocks::TryPass(c.gate));
  }
}

TEST_F(GatesTest, GatesOfDifferentEnginesAreIndependent) {
  EXPECT_TRUE(TEngineLocks::TryPass(TGate::BaiduPage));
  EXPECT_TRUE(TEngineLocks::TryPass(TGate::SogouPage));
  EXPECT_TRUE(TEngineLocks::TryPass(TGate::Page360));
  EXPECT_TRUE(TEngineLocks::TryPass(TGate::BaiduSite));
  EXPECT_FALSE(TEngineLocks::TryPass(TGate::BaiduPage));
}

TEST_F(GatesTest, ConcurrentPassersSpreadOverTheInterval) {
  // Eight threads race for one gate on a frozen clock: exactly one passes.
  std::atomic<int> passed{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < 100; ++k)
        passed += TEngineLocks::TryPass(TGate::SogouSite) ? 1 : 0;
    });
  }
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(passed.load(), 1);
}

TEST(Gates, WithoutLocksNothingPasses) {
  TEngineLocks::Destroy();
  EXPECT_FALSE(TEngineLocks::TryPass(TGate::BaiduPage));
  bool ran = false;
  TEngineLocks::WithCrawlerList([&] { ran = true; });
  EXPECT_FALSE(ran);
}

// A collector on the real page loop whose pages take no time: each turn records the moment it
// passed its engine's page gate and turns the page, until it is stopped.
class TFakeCollector : public TCollectorThread {
 public:
  TFakeCollector(TEngineIndex engine, TWindowHandle window, std::string keyword, int startPage,
                 std::vector<std::int64_t>* passes, std::mutex* mutex)
      : TCollectorThread(std::move(window), engine, std::move(keyword), startPage),
        passes_(passes),
        mutex_(mutex) {}

 protected:
  TGate PageGate() const override {
    static const TGate pageGate[] = {TGate::BaiduPage, TGate::SogouPage, TGate::Page360};
    return pageGate[engine_];
  }
  bool ProcessPage() override {
    {
      std::lock_guard lock(*mutex_);
      passes_->push_back(TVirtualClock::LastSeen());
    }
    info_.page = ++page_;
    return true;
  }

 private:
  std::vector<std::int64_t>* passes_;
  std::mutex* mutex_;
};

class TaskCtlTest : public GatesTest {
 protected:
  void SetUp() override {
    GatesTest::SetUp();
    TTaskCtl::SetCollectorFactory([this](TEngineIndex e, const TWindowHandle& w,
                                         const std::string& k, int start) -> TCollectorThread* {
      made_.push_back(e);
      return new TFakeCollector(e, w, k, start, &passes_, &mutex_);
    });
  }
  void TearDown() override {
    EXPECT_TRUE(ui_->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, kWait));
    TTaskCtl::SetCollectorFactory(nullptr);
    GatesTest::TearDown();
  }

  struct TEnd {
    int engine;
    std::string keyword;
    int page;
  };
  std::shared_ptr<TTaskCtl> NewTask(const std::string& k, bool b, bool s, bool t) {
    auto ctl = TTaskCtl::Create(k, window_, b, s, t);
    ctl->onEngineEnd = [this](TTaskCtl&, int e, const std::string& kw, int p) {
      ends_.push_back({e, kw, p});
    };
    return ctl;
  }

  TScopedQueueDispatcher ui_;
  TWindowHandle window_ = TMessageTarget::Create([](auto, auto, auto) { return 0; });
  std::vector<TEngineIndex> made_;
  std::vector<std::int64_t> passes_;
  std::mutex mutex_;
  std::vector<TEnd> ends_;
};

TEST_F(TaskCtlTest, StartsTickedEnginesOnlyAndStopAllForgetsAtOnce) {
  auto ctl = NewTask("k", true, false, true);
  ctl->startPage360 = 4;
  ctl->Start();
  ASSERT_EQ(ctl->threads.size(), 2u);
  EXPECT_EQ(ctl->threads[0].first, "baidu");
  EXPECT_EQ(ctl->threads[1].first, "360");
  EXPECT_TRUE(ctl->IsRunning());
  ASSERT_TRUE(ui_->ProcessUntil(
      [&] {
        std::lock_guard lock(mutex_);
        return passes_.size() >= 2;
      },
      kWait));
  ctl->StopAll();
  EXPECT_TRUE(ctl->threads.empty());
  EXPECT_FALSE(ctl->IsRunning());
  // The ends still arrive, with the pages reached: each collector began at its start page,
  // and one stopped before it finished a page still reports that page, not 0.
  ASSERT_TRUE(ui_->ProcessUntil([&] { return ends_.size() == 2; }, kWait));
  for (const auto& end : ends_) {
    EXPECT_EQ(end.keyword, "k");
    EXPECT_GE(end.page, end.engine == ENGINE_360 ? 4 : 0);
  }
  EXPECT_FALSE(ctl->useBaidu);
  EXPECT_FALSE(ctl->use360);
}

TEST_F(TaskCtlTest, StartWithSomeEnginesRunningStartsOnlyTheNewOnes) {
  auto ctl = NewTask("k", true, false, false);
  ctl->Start();
  ctl->useSogou = true;
  ctl->Start();
  EXPECT_EQ(made_, (std::vector<TEngineIndex>{ENGINE_BAIDU, ENGINE_SOGOU}));
  ASSERT_EQ(ctl->threads.size(), 2u);
  ctl->StopAll();
}

TEST_F(TaskCtlTest, NoEngineTickedStartsNothing) {
  auto ctl = NewTask("k", false, false, false);
  ctl->Start();
  EXPECT_FALSE(ctl->IsRunning());
  EXPECT_TRUE(made_.empty());
  ctl->Pause(true);
  ctl->StopAll();  // nothing to do
}

TEST_F(TaskCtlTest, TheEndOfOneEngineClearsOnlyItsFlag) {
  auto ctl = NewTask("k", false, true, true);
  ctl->Start();
  ASSERT_EQ(ctl->threads.size(), 2u);
  ctl->threads[1].second->Terminate();  // 360 ends on its own
  ASSERT_TRUE(ui_->ProcessUntil([&] { return ends_.size() == 1; }, kWait));
  EXPECT_EQ(ends_[0].engine, ENGINE_360);
  EXPECT_FALSE(ctl->use360);
  EXPECT_TRUE(ctl->useSogou);
  ASSERT_EQ(ctl->threads.size(), 1u);
  EXPECT_EQ(ctl->threads[0].first, "sougou");
  ctl->StopAll();
}

TEST_F(TaskCtlTest, TwoTasksOnOneEngineShareItsPace) {
  auto a = NewTask("a", true, false, false);
  auto b = NewTask("b", true, false, false);
  a->Start();
  b->Start();
  ASSERT_TRUE(ui_->ProcessUntil(
      [&] {
        std::lock_guard lock(mutex_);
        return passes_.size() >= 6;
      },
      kWait));
  a->StopAll();
  b->StopAll();
  ASSERT_TRUE(ui_->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, kWait));
  std::sort(passes_.begin(), passes_.end());
  for (std::size_t i = 1; i < passes_.size(); ++i) {
    EXPECT_GT(passes_[i] - passes_[i - 1], 2000) << i;
  }
}

TEST_F(TaskCtlTest, PausedCollectorsMakeNoRequestsUntilResumed) {
  auto ctl = NewTask("k", false, true, false);
  ctl->Start();
  ASSERT_TRUE(ui_->ProcessUntil(
      [&] {
        std::lock_guard lock(mutex_);
        return !passes_.empty();
      },
      kWait));
  ctl->Pause(true);
  std::size_t held;
  {
    std::lock_guard lock(mutex_);
    held = passes_.size();
  }
  // However far the clock runs, a paused collector passes no gate (one pass may be under way).
  for (int i = 0; i < 50; ++i) {
    clock_.Advance(5000);
    std::this_thread::yield();
  }
  {
    std::lock_guard lock(mutex_);
    EXPECT_LE(passes_.size(), held + 1);
    held = passes_.size();
  }
  ctl->Pause(false);
  ASSERT_TRUE(ui_->ProcessUntil(
      [&] {
        std::lock_guard lock(mutex_);
        return passes_.size() > held + 1;
      },
      kWait));
  ctl->StopAll();
}

TEST_F(TaskCtlTest, ControllerOutlivesTheOwnersReference) {
  std::weak_ptr<TTaskCtl> weak;
  {
    auto ctl = NewTask("k", true, false, false);
    ctl->Start();
    weak = ctl;
    ctl->StopAll();
  }
  // The collector's end still reaches the controller, which goes away after it.
  ASSERT_TRUE(ui_->ProcessUntil([&] { return ends_.size() == 1; }, kWait));
  ASSERT_TRUE(ui_->ProcessUntil([&] { return weak.expired(); }, kWait));
}

}  // namespace
}  // namespace vlmr
