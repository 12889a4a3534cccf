// The task board over a real store, with collectors that page until they are stopped or have
// reached their last page, on a virtual clock.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/Dispatcher.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "engine/TaskCtl.h"
#include "store/KeyListInfo.h"
#include "support/TempFolder.h"
#include "support/TestClocks.h"
#include "tasks/TaskBoard.h"

namespace vlmr {
namespace {

constexpr int kWait = 20000;

// Pages without taking time, up to `lastPage` (then it ends on its own) or until it is stopped.
class TPagingCollector : public TCollectorThread {
 public:
  TPagingCollector(TEngineIndex engine, TWindowHandle window, std::string keyword, int startPage,
                   int lastPage)
      : TCollectorThread(std::move(window), engine, std::move(keyword), startPage),
        lastPage_(lastPage) {}

 protected:
  TGate PageGate() const override {
    static const TGate gates[] = {TGate::BaiduPage, TGate::SogouPage, TGate::Page360};
    return gates[engine_];
  }
  bool ProcessPage() override {
    info_.page = ++page_;
    return page_ < lastPage_;
  }

 private:
  int lastPage_;
};

class TaskBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAppFolderOverride(folder_.Path().string());
    TEngineLocks::Create();
    TEngineLocks::SetClockForTesting(&clock_);
    TTaskCtl::SetCollectorFactory([this](TEngineIndex e, const TWindowHandle& w,
                                         const std::string& k, int start) -> TCollectorThread* {
      made_.push_back({e, start});
      return new TPagingCollector(e, w, k, start, lastPage_.load());
    });
    store_ = std::make_unique<TKeyListInfo>();
    store_->OnCompaniesLoaded = [this](TKeyListInfo&, const std::string& keyword) {
      loaded_.push_back(board_->CompaniesLoaded(keyword));
    };
    board_ = std::make_unique<TTaskBoard>(*store_, window_, [this] { return engines_; });
    board_->OnStateChanged = [this](const std::string& keyword, TTaskState state) {
      states_[keyword].push_back(state);
    };
  }
  void TearDown() override {
    board_.reset();
    EXPECT_TRUE(Pump([] { return TWorkerRegistry::Count() == 0; }));
    store_.reset();
    TTaskCtl::SetCollectorFactory(nullptr);
    TEngineLocks::SetClockForTesting(nullptr);
    TEngineLocks::Destroy();
    SetAppFolderOverride("");
  }

  bool Pump(const std::function<bool()>& done) { return ui_->ProcessUntil(done, kWait); }

  // Adds a keyword and lets its (empty) company list load, so that a start starts at once.
  void AddLoaded(const std::string& keyword) {
    store_->AddKeyword(keyword);
    store_->LoadCompanies(keyword);
    const std::size_t before = loaded_.size();
    ASSERT_TRUE(Pump([&] { return loaded_.size() > before; }));
    loaded_.clear();
  }
  std::vector<TTaskState> States(const std::string& keyword) { return states_[keyword]; }

  struct TMade {
    TEngineIndex engine;
    int startPage;
  };

  test::TTempFolder folder_;
  TScopedQueueDispatcher ui_;
  test::TVirtualClock clock_;
  TWindowHandle window_ = TMessageTarget::Create([](auto, auto, auto) { return 0; });
  TEngineChoice engines_;
  std::atomic<int> lastPage_{1'000'000};
  std::vector<TMade> made_;
  std::unique_ptr<TKeyListInfo> store_;
  std::unique_ptr<TTaskBoard> board_;
  std::vector<TTaskBoard::TLoadOutcome> loaded_;
  std::map<std::string, std::vector<TTaskState>> states_;
};

TEST_F(TaskBoardTest, AStartWaitsForTheLoadThenRunsTheTickedEnginesFromTheirLastPages) {
  store_->AddKeyword("k");
  ASSERT_TRUE(store_->RecordPageReport("k", 7, ENGINE_360));
  engines_ = {true, false, true};
  EXPECT_EQ(board_->Start("k"), TStartResult::Loading);
  EXPECT_FALSE(board_->HasTask("k"));
  ASSERT_TRUE(Pump([&] { return !loaded_.empty(); }));
  EXPECT_EQ(loaded_[0].action, TPendingAction::Start);
  EXPECT_EQ(loaded_[0].start, TStartResult::Started);
  ASSERT_EQ(made_.size(), 2u);
  EXPECT_EQ(made_[0].engine, ENGINE_BAIDU);
  EXPECT_EQ(made_[1].engine, ENGINE_360);
  EXPECT_EQ(made_[1].startPage, 7);
  EXPECT_TRUE(board_->IsRunning("K"));  // the store's case rule applies
  EXPECT_EQ(States("k"), std::vector<TTaskState>{TTaskState::Running});
}

TEST_F(TaskBoardTest, StartsThatCannotRunSayWhy) {
  EXPECT_EQ(board_->Start("unknown"), TStartResult::Unknown);
  AddLoaded("k");
  engines_ = {false, false, false};
  EXPECT_EQ(board_->Start("k"), TStartResult::NoEngine);
  EXPECT_TRUE(made_.empty());
  EXPECT_TRUE(States("k").empty());
  // A factory that makes nothing: no collector runs and the keyword stays idle.
  engines_ = {};
  TTaskCtl::SetCollectorFactory(
      [](auto, auto, auto, auto) -> TCollectorThread* { return nullptr; });
  EXPECT_EQ(board_->Start("k"), TStartResult::Failed);
  EXPECT_FALSE(board_->IsRunning("k"));
  EXPECT_TRUE(States("k").empty());
}

TEST_F(TaskBoardTest, PauseResumeAndStopGoThroughTheirStates) {
  AddLoaded("k");
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  EXPECT_TRUE(board_->Pause("k"));
  EXPECT_EQ(board_->Start("k"), TStartResult::Resumed);
  EXPECT_EQ(made_.size(), 3u) << "a resume makes no new collectors";
  engines_ = {false, false, false};
  EXPECT_TRUE(board_->Pause("k"));
  EXPECT_EQ(board_->Start("k"), TStartResult::Resumed) << "a running task needs no ticked engine";
  board_->Stop("k", true);
  EXPECT_FALSE(board_->HasTask("k"));
  EXPECT_FALSE(board_->Pause("k"));
  // Each engine's end then says the keyword is idle.
  ASSERT_TRUE(Pump([] { return TWorkerRegistry::Count() == 0; }));
  const std::vector<TTaskState> expected{
      TTaskState::Running, TTaskState::Paused,  TTaskState::Running,
      TTaskState::Paused,  TTaskState::Running, TTaskState::Stopping,
      TTaskState::Idle,    TTaskState::Idle,    TTaskState::Idle};
  EXPECT_EQ(States("k"), expected);
}

TEST_F(TaskBoardTest, AStopWhileTheCompaniesLoadCallsTheStartOff) {
  store_->AddKeyword("k");
  EXPECT_EQ(board_->Start("k"), TStartResult::Loading);
  board_->Stop("k", true);
  ASSERT_TRUE(Pump([&] { return !loaded_.empty(); }));
  EXPECT_EQ(loaded_[0].action, TPendingAction::Stop);
  EXPECT_TRUE(made_.empty());
  EXPECT_FALSE(board_->HasTask("k"));
}

TEST_F(TaskBoardTest, ThreePagesWithoutANewCompanyAreTheLastTheTaskTakes) {
  AddLoaded("k");
  engines_ = {true, false, false};
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  for (int page = 1; page <= 3; ++page)
    EXPECT_TRUE(board_->PageReported("k", page, ENGINE_BAIDU)) << page;
  EXPECT_FALSE(board_->PageReported("k", 4, ENGINE_BAIDU));
  EXPECT_FALSE(board_->HasTask("k"));
  EXPECT_EQ(States("k").back(), TTaskState::Stopping);
  EXPECT_EQ(store_->FindKeyword("k")->LastPage, 3);
  // A keyword that is gone refuses its pages too; there is nothing to stop.
  EXPECT_FALSE(board_->PageReported("gone", 1, ENGINE_BAIDU));
}

TEST_F(TaskBoardTest, AnEngineOfAStoppedTaskEndingLaterLeavesTheNewerTaskRunning) {
  AddLoaded("k");
  engines_ = {true, false, false};
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  board_->Stop("k", false);
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  // The first collector's end arrives while the second runs.
  ASSERT_TRUE(Pump([] { return TWorkerRegistry::Count() == 1; }));
  EXPECT_EQ(States("k"), (std::vector<TTaskState>{TTaskState::Running, TTaskState::Running}));
  EXPECT_TRUE(board_->IsRunning("k"));
}

TEST_F(TaskBoardTest, AnEngineThatEndsOnItsOwnRecordsItsPageAndTheKeywordTurnsIdle) {
  AddLoaded("k");
  engines_ = {false, true, false};
  lastPage_ = 4;
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  ASSERT_TRUE(Pump([&] { return !board_->IsRunning("k"); }));
  EXPECT_EQ(States("k").back(), TTaskState::Idle);
  EXPECT_TRUE(board_->HasTask("k")) << "ended on its own, not stopped";
  // Written to the file; the next start begins there.
  board_.reset();
  store_.reset();
  store_ = std::make_unique<TKeyListInfo>();
  store_->LoadKeywords();
  EXPECT_EQ(store_->FindKeyword("k")->SgLastPage, 4);
}

TEST_F(TaskBoardTest, EndsThatArriveAfterTheBoardIsGoneTouchNothing) {
  AddLoaded("k");
  AddLoaded("m");
  ASSERT_EQ(board_->Start("k"), TStartResult::Started);
  ASSERT_EQ(board_->Start("m"), TStartResult::Started);
  EXPECT_TRUE(board_->AnyRunning());
  board_.reset();  // stops both without announcing; the collectors end afterwards
  ASSERT_TRUE(Pump([] { return TWorkerRegistry::Count() == 0; }));
  EXPECT_EQ(States("k"), std::vector<TTaskState>{TTaskState::Running});
  EXPECT_EQ(States("m"), std::vector<TTaskState>{TTaskState::Running});
}

}  // namespace
}  // namespace vlmr
