// The proxy pool on the pacing clock alone: turns, cool-downs per proxy and engine, setting a
// failing proxy aside and taking it back, and a new list keeping what it knew of a proxy.
#include "engine/ProxyPool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Gates.h"
#include "engine/VerifyPage.h"

namespace vlmr {
namespace {

class TManualClock : public TPacingClock {
 public:
  std::int64_t NowMs() override { return now; }
  void Sleep(int ms, const std::function<void(int)>&) override { now += ms; }
  std::int64_t now = 1'000'000;
};

TProxy P(int port) {
  TProxy p;
  p.host = "10.0.0.1";
  p.port = port;
  return p;
}

class ProxyPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TEngineLocks::Create();
    TEngineLocks::SetClockForTesting(&clock);
    Use({P(1), P(2), P(3)});
  }
  void TearDown() override {
    TProxyPool::Configure({});
    TEngineLocks::SetClockForTesting(nullptr);
    TEngineLocks::Destroy();
  }
  void Use(std::vector<TProxy> proxies) {
    TProxySettings s;
    s.proxies = std::move(proxies);
    TProxyPool::Configure(s);
  }
  // The number of the proxy whose result-page gate passes next (0: none).
  int Next(TEngineIndex engine = ENGINE_BAIDU) {
    TProxyPool::TPick pick = TProxyPool::TryPass(TGate::BaiduPage, engine, true, turn);
    return pick.passed ? pick.exit.number : 0;
  }
  TExit Exit(int number) { return TExit{number, P(number)}; }
  TProxyStatus Status(int number) { return TProxyPool::Status()[number - 1]; }

  TManualClock clock;
  int turn = 0;
};

TEST_F(ProxyPoolTest, ProxiesTakeTurnsEachAtItsOwnInterval) {
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Next(), 2);
  EXPECT_EQ(Next(), 3);
  EXPECT_EQ(Next(), 0);  // every proxy passed just now
  clock.now += GateIntervalMs(TGate::BaiduPage);
  EXPECT_EQ(Next(), 0);  // exactly the interval is not enough
  clock.now += 1;
  EXPECT_EQ(Next(), 1);
  // The direct gate is a gate of its own, untouched by the proxies.
  EXPECT_TRUE(TEngineLocks::TryPass(TGate::BaiduPage));
}

TEST_F(ProxyPoolTest, AChallengedProxyCoolsForThatEngineOnTheDoublingSchedule) {
  std::vector<std::int64_t> coolDowns;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(TProxyPool::Challenged(Exit(1), ENGINE_SOGOU, 1), 2);
    coolDowns.push_back(Status(1).coolingLeftMs[ENGINE_SOGOU]);
    clock.now += Status(1).coolingLeftMs[ENGINE_SOGOU];
  }
  EXPECT_EQ(coolDowns, (std::vector<std::int64_t>{60000, 120000, 240000}));
  TProxyPool::Challenged(Exit(1), ENGINE_SOGOU, 1);
  EXPECT_EQ(Status(1).state, TProxyState::Cooling);
  EXPECT_EQ(Status(1).coolingLeftMs[ENGINE_BAIDU], 0);
  // Cooling for Sogou, it still serves Baidu; and an answer starts its schedule afresh.
  EXPECT_EQ(Next(ENGINE_BAIDU), 1);
  clock.now += 480000;
  TProxyPool::Answered(Exit(1), ENGINE_SOGOU);
  TProxyPool::Challenged(Exit(1), ENGINE_SOGOU, 1);
  EXPECT_EQ(Status(1).coolingLeftMs[ENGINE_SOGOU], kFirstCoolDownMs);
  EXPECT_EQ(Status(1).verifications, 5);

  // All three cooling: nothing passes, and the pick says when the first comes back.
  TProxyPool::Challenged(Exit(2), ENGINE_SOGOU, 2);
  EXPECT_EQ(TProxyPool::Challenged(Exit(3), ENGINE_SOGOU, 0), 0);
  TProxyPool::TPick pick = TProxyPool::TryPass(TGate::SogouPage, ENGINE_SOGOU, true, turn);
  EXPECT_FALSE(pick.passed);
  EXPECT_TRUE(pick.noneUsable);
  EXPECT_EQ(pick.backAtMs, clock.now + kFirstCoolDownMs);
  // Crawler starts do not care about result-page cool-downs.
  EXPECT_TRUE(TProxyPool::TryPass(TGate::SogouSite, ENGINE_SOGOU, false, turn).passed);
}

TEST_F(ProxyPoolTest, ThreeFailuresInARowSetAProxyAsideForTenMinutes) {
  TProxyPool::Failed(Exit(2));
  TProxyPool::Failed(Exit(2));
  TProxyPool::Answered(Exit(2), ENGINE_BAIDU);  // a success breaks the row
  TProxyPool::Failed(Exit(2));
  TProxyPool::Failed(Exit(2));
  EXPECT_EQ(Status(2).state, TProxyState::Working);
  TProxyPool::Failed(Exit(2));
  EXPECT_EQ(Status(2).state, TProxyState::SetAside);
  EXPECT_EQ(Status(2).failures, 5);
  EXPECT_EQ(Status(2).requests, 6);

  std::vector<int> order;
  for (int i = 0; i < 3; ++i) {
    order.push_back(Next());
    clock.now += GateIntervalMs(TGate::BaiduPage) + 1;
  }
  EXPECT_EQ(order, (std::vector<int>{1, 3, 1}));
  clock.now += TProxyPool::kSetAsideMs;
  EXPECT_EQ(Status(2).state, TProxyState::Working);
  EXPECT_EQ(Next(), 2);
}

TEST_F(ProxyPoolTest, ANewListKeepsWhatItKnewOfAProxyAndRenumbers) {
  TProxyPool::Answered(Exit(3), ENGINE_BAIDU);
  TProxyPool::Challenged(Exit(3), ENGINE_BAIDU, 0);
  TProxy changed = P(3);
  changed.password = "new";
  Use({changed, P(4)});
  ASSERT_EQ(TProxyPool::Status().size(), 2u);
  TProxyStatus first = TProxyPool::Status()[0];
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(first.requests, 2);
  EXPECT_EQ(first.state, TProxyState::Cooling);
  EXPECT_EQ(first.display, "http://:***@10.0.0.1:3");
  EXPECT_EQ(TProxyPool::Status()[1].requests, 0);
  // A request through a proxy no longer listed counts nowhere.
  TProxyPool::Failed(Exit(1));
  for (const TProxyStatus& s : TProxyPool::Status())
    EXPECT_EQ(s.failures, 0);
  Use({});
  EXPECT_FALSE(TProxyPool::Active());
  EXPECT_FALSE(TProxyPool::TryPass(TGate::BaiduPage, ENGINE_BAIDU, true, turn).passed);
}

}  // namespace
}  // namespace vlmr
