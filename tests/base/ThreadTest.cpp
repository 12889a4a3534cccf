#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "base/Dispatcher.h"
#include "base/MessageTarget.h"
#include "base/Thread.h"

namespace vlmr {
namespace {

constexpr int kWait = 10000;  // upper bound only; tests finish as soon as the condition holds

constexpr int kThreads = 4, kEach = 50;

// A worker that sends `count` numbered messages to a target and checks, after each send
// returns, that the handler has already handled it.
class TSender : public TWorkerThread {
 public:
  TSender(TWindowHandle target, int id, int count, std::atomic<int>* handled)
      : target_(std::move(target)), id_(id), count_(count), handled_(handled) {}

 protected:
  void Execute() override {
    for (int i = 0; i < count_ && !CheckStop(); ++i) {
      EXPECT_EQ(target_->Send(100, static_cast<std::uintptr_t>(id_), i), 7);
      EXPECT_EQ(handled_->load(), i + 1);
    }
  }

 private:
  TWindowHandle target_;
  int id_;
  int count_;
  std::atomic<int>* handled_;
};

TEST(MessageTarget, SendsFromSeveralThreadsBlockAndArriveInOrder) {
  TScopedQueueDispatcher ui;
  std::map<std::uintptr_t, std::vector<std::intptr_t>> seen;
  std::atomic<int> handled[kThreads] = {};
  auto target = TMessageTarget::Create([&](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
    EXPECT_TRUE(IsUiThread());
    EXPECT_EQ(msg, 100u);
    seen[w].push_back(l);
    handled[w].fetch_add(1);
    return std::intptr_t{7};
  });
  for (int t = 0; t < kThreads; ++t) {
    (new TSender(target, t, kEach, &handled[t]))->Start();
  }
  ASSERT_TRUE(ui->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, kWait));
  for (int t = 0; t < kThreads; ++t) {
    const auto& got = seen[static_cast<std::uintptr_t>(t)];
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kEach));
    for (int i = 0; i < kEach; ++i)
      EXPECT_EQ(got[static_cast<std::size_t>(i)], i);
  }
}

TEST(MessageTarget, ClosedTargetDropsQueuedAndLaterMessages) {
  TScopedQueueDispatcher ui;
  int handled = 0;
  auto target = TMessageTarget::Create([&](auto, auto, auto) {
    ++handled;
    return std::intptr_t{1};
  });
  std::atomic<std::intptr_t> result{-1};
  std::thread sender([&] { result = target->Send(1, 0, 0); });
  // Wait until the send is queued, then close before it is handled.
  while (ui->Pending() == 0)
    std::this_thread::yield();
  target->Close();
  ui->ProcessUntil([&] { return result != -1; }, kWait);
  sender.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(handled, 0);
  target->Post(2, 0, 0);
  EXPECT_EQ(target->Send(3, 0, 0), 0);  // on the UI thread, closed: not run
  ui->ProcessEvents();
  EXPECT_EQ(handled, 0);
}

TEST(MessageTarget, SendOnUiThreadRunsInlineAndPostQueues) {
  TScopedQueueDispatcher ui;
  std::vector<std::uint32_t> order;
  auto target = TMessageTarget::Create([&](std::uint32_t m, auto, auto) {
    order.push_back(m);
    return std::intptr_t{m * 2};
  });
  target->Post(1, 0, 0);
  EXPECT_EQ(target->Send(2, 0, 0), 4);
  EXPECT_EQ(order, std::vector<std::uint32_t>{2});
  ui->ProcessEvents();
  EXPECT_EQ(order, (std::vector<std::uint32_t>{2, 1}));
}

TEST(Dispatcher, SendReturnsWhenTheUiThreadGoesAway) {
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  std::thread sender;
  {
    TScopedQueueDispatcher ui;
    sender = std::thread([&] { result = SendToUi([&] { ran = true; }) ? 1 : 0; });
    // Let the call get queued, then leave without processing it.
    while (ui->Pending() == 0)
      std::this_thread::yield();
  }
  sender.join();
  EXPECT_FALSE(ran);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(SendToUi([] {}));  // nothing installed
}

class TPausable : public TWorkerThread {
 public:
  explicit TPausable(std::atomic<int>* steps) : steps_(steps) {}

 protected:
  void Execute() override {
    while (!CheckStop()) {
      steps_->fetch_add(1);
      WaitOrStop(1);
    }
  }

 private:
  std::atomic<int>* steps_;
};

TEST(WorkerThread, PauseHoldsTheRunAndStopEndsItWithItsNotification) {
  TScopedQueueDispatcher ui;
  std::atomic<int> steps{0};
  bool notified = false;
  auto* worker = new TPausable(&steps);
  worker->SetOnTerminate([&](TWorkerThread& w) {
    EXPECT_TRUE(IsUiThread());
    EXPECT_TRUE(w.Terminated());
    notified = true;
  });
  worker->Start();
  ASSERT_TRUE(ui->ProcessUntil([&] { return steps > 0; }, kWait));
  worker->SetPaused(true);
  // Let the run reach its pause point: one more step may be under way.
  ui->ProcessUntil([] { return false; }, 20);
  int held = steps;
  ui->ProcessUntil([] { return false; }, 30);
  EXPECT_EQ(steps.load(), held);
  worker->SetPaused(false);
  ASSERT_TRUE(ui->ProcessUntil([&] { return steps > held; }, kWait));
  worker->SetPaused(true);
  worker->Terminate();  // a stop wakes a paused worker
  ASSERT_TRUE(ui->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, kWait));
  EXPECT_TRUE(notified);
}

class TThrower : public TWorkerThread {
 protected:
  void Execute() override { throw 42; }
};

TEST(WorkerThread, RunEndingByAnErrorStillNotifiesAndDrainsTheRegistry) {
  TScopedQueueDispatcher ui;
  bool notified = false;
  auto* worker = new TThrower;
  worker->SetOnTerminate([&](TWorkerThread&) { notified = true; });
  worker->Start();
  EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
  EXPECT_TRUE(notified);
}

}  // namespace
}  // namespace vlmr
