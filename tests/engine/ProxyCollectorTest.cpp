// Collectors going out through real proxies (tinyproxy, microsocks) to the simulated engines:
// how result pages spread over the proxies and keep their spacing through each, what a
// verification page or a dead proxy does. Each proxy connects onwards from an address of its
// own, so the web's log tells which proxy carried a request. Time is the test clock's.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CollectorFixture.h"
#include "engine/ProxyPool.h"
#include "engine/VerifyPage.h"
#include "support/RealProxies.h"
#include "support/VerifyPages.h"

namespace vlmr::test {
namespace {

// The test clock, also keeping each pass by exit.
class TExitClock : public TTestClock {
 public:
  void PassedExit(TGate gate, const std::string& exit, std::int64_t nowMs) override {
    std::lock_guard lock(mutex_);
    passes_[{gate, exit}].push_back(nowMs);
  }
  std::vector<std::int64_t> PassesThrough(TGate gate, const std::string& exit) {
    std::lock_guard lock(mutex_);
    return passes_[{gate, exit}];
  }

 private:
  std::mutex mutex_;
  std::map<std::pair<TGate, std::string>, std::vector<std::int64_t>> passes_;
};

constexpr const char* kOut[] = {"127.0.0.11", "127.0.0.12", "127.0.0.13"};

class ProxyCollectorTest : public CollectorTest {
 protected:
  void SetUp() override {
    for (TProxyServer s : {TProxyServer::Tinyproxy, TProxyServer::Microsocks}) {
      if (!TRealProxy::Installed(s))
        GTEST_SKIP() << TRealProxy::MissingText(s);
    }
    CollectorTest::SetUp();
    TEngineLocks::SetClockForTesting(&exitClock_);
    sites_.SetClock([this] { return exitClock_.NowMs(); });
    AddVerificationSites(web_);
    // Two HTTP proxies (one tunnelling) and a SOCKS5 one.
    servers_.push_back(std::make_unique<TRealProxy>(TProxyServer::Tinyproxy, kOut[0]));
    servers_.push_back(std::make_unique<TRealProxy>(TProxyServer::Tinyproxy, kOut[1]));
    servers_.push_back(std::make_unique<TRealProxy>(TProxyServer::Microsocks, kOut[2]));
    for (auto& s : servers_)
      ASSERT_TRUE(s->Started());
    proxies_ = {servers_[0]->AsProxy(TProxyKind::Http),
                servers_[1]->AsProxy(TProxyKind::HttpsConnect),
                servers_[2]->AsProxy(TProxyKind::Socks5)};
  }
  void TearDown() override {
    if (proxies_.empty())
      return;  // skipped
    CollectorTest::TearDown();
    TProxyPool::Configure({});
  }

  void UseProxies(std::vector<TProxy> proxies, bool sites = false) {
    TProxySettings settings;
    settings.proxies = std::move(proxies);
    settings.sitesThroughProxies = sites;
    TProxyPool::Configure(settings);
  }

  // The proxy number (1-based in `proxies_`) that carried each result-page request of `engine`
  // (0: none of them).
  std::vector<int> Carriers(TSearchEngine engine) const {
    std::vector<int> out;
    for (const TRequest& r : web_.RequestsTo(SearchHost(engine))) {
      if (r.path != (engine == TSearchEngine::Sogou ? "/web" : "/s"))
        continue;  // a verification page the answer redirected to
      auto it = std::find(std::begin(kOut), std::end(kOut), r.peer);
      out.push_back(it == std::end(kOut) ? 0 : static_cast<int>(it - std::begin(kOut)) + 1);
    }
    return out;
  }

  // The engine answers its requests in turn by `script` ('V' verification, 'R' results).
  void Script(TSearchEngine engine, std::string script) {
    auto turn = std::make_shared<std::atomic<std::size_t>>(0);
    sites_.SetGenerator(engine, [engine, script, turn](int) {
      std::size_t n = turn->fetch_add(1);
      if (n < script.size() && script[n] == 'V')
        return VerificationAnswer(engine, TVerifyForm::Page);
      TPage page;
      page.charset = "utf-8";
      page.body = engine == TSearchEngine::Baidu ? BaiduHtml({}) : SogouHtml({});
      return page;
    });
  }

  TProxyStatus StatusOf(int number) const {
    for (const TProxyStatus& s : TProxyPool::Status()) {
      if (s.number == number)
        return s;
    }
    return {};
  }

  TExitClock exitClock_;
  std::vector<std::unique_ptr<TRealProxy>> servers_;
  std::vector<TProxy> proxies_;
};

// Nine Baidu pages through three proxies: three each, in turn; through each proxy the pages
// keep Baidu's 2000 ms, while all three together fetch three times as fast as one.
TEST_F(ProxyCollectorTest, PagesSpreadOverTheProxiesEachKeepingTheInterval) {
  auto span = [&](std::size_t proxies, int pages) {
    NextRun();
    web_.ClearRequests();
    UseProxies(std::vector<TProxy>(proxies_.begin(),
                                   proxies_.begin() + static_cast<std::ptrdiff_t>(proxies)));
    RunEnginePages(TSearchEngine::Baidu, "k", 0, pages);
    std::vector<TEngineSites::TEntry> log = sites_.Log(TSearchEngine::Baidu);
    log.erase(log.begin(), log.end() - pages);
    return log.back().stamp - log.front().stamp;
  };
  const std::int64_t three = span(3, 10);
  std::vector<int> carriers = Carriers(TSearchEngine::Baidu);
  const std::int64_t one = span(1, 4);

  ASSERT_GE(carriers.size(), 10u);
  carriers.resize(9);
  EXPECT_EQ(carriers, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
  for (const TProxy& p : proxies_) {
    std::vector<std::int64_t> passes = exitClock_.PassesThrough(TGate::BaiduPage, p.Key());
    ASSERT_GE(passes.size(), 3u) << p.Display();
    for (std::size_t i = 1; i < passes.size(); ++i)
      EXPECT_GT(passes[i] - passes[i - 1], GateIntervalMs(TGate::BaiduPage)) << p.Display();
  }
  // One proxy: 3 intervals for 4 pages; three proxies: 3 intervals for 10 pages.
  EXPECT_GT(one, 3 * GateIntervalMs(TGate::BaiduPage));
  EXPECT_LE(three, one + 200);
  EXPECT_TRUE(exitClock_.PassesThrough(TGate::BaiduPage, "").empty()) << "a direct page request";
  // Counted per proxy, and kept while it stays in the list: 4 of the 10, then 4 alone.
  EXPECT_EQ(StatusOf(1).requests, 4 + 4);
}

// A verification page through proxy 1 moves the page to proxy 2 at once; proxy 1 cools down
// for that engine only.
TEST_F(ProxyCollectorTest, AVerificationPageMovesThePageToTheNextProxyAtOnce) {
  UseProxies(proxies_);
  Script(TSearchEngine::Sogou, "V");
  RunEnginePages(TSearchEngine::Sogou, "k", 0, 1);

  std::vector<int> carriers = Carriers(TSearchEngine::Sogou);
  ASSERT_GE(carriers.size(), 2u);
  EXPECT_EQ(carriers[0], 1);
  EXPECT_EQ(carriers[1], 2);
  std::vector<TEngineSites::TEntry> log = sites_.Log(TSearchEngine::Sogou);
  EXPECT_EQ(log[0].index, log[1].index);  // the same page again
  EXPECT_LT(log[1].stamp - log[0].stamp, 1000) << "no cool-down";
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, ProxySwitchText(ENGINE_SOGOU, 1, 2)), 1);
  EXPECT_EQ(GbkToUtf8(ProxySwitchText(ENGINE_BAIDU, 2, 3)),
            "百度：代理 2 需要安全验证，已切换到代理 3");
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, VerificationText(ENGINE_SOGOU)), 0);

  TProxyStatus first = StatusOf(1);
  EXPECT_EQ(first.verifications, 1);
  EXPECT_EQ(first.state, TProxyState::Cooling);
  EXPECT_GT(first.coolingLeftMs[ENGINE_SOGOU], 50000);
  EXPECT_EQ(first.coolingLeftMs[ENGINE_BAIDU], 0);
  EXPECT_EQ(StatusOf(2).state, TProxyState::Working);
}

// Every proxy challenged: the collector cools down as it does without proxies, until the first
// proxy's minute is over, and goes on through it.
TEST_F(ProxyCollectorTest, WhenEveryProxyIsChallengedTheTaskCoolsDown) {
  UseProxies(proxies_);
  Script(TSearchEngine::Baidu, "VVV");
  RunEnginePages(TSearchEngine::Baidu, "k", 0, 1);

  std::vector<int> carriers = Carriers(TSearchEngine::Baidu);
  ASSERT_GE(carriers.size(), 4u);
  carriers.resize(4);
  EXPECT_EQ(carriers, (std::vector<int>{1, 2, 3, 1}));
  std::vector<TEngineSites::TEntry> log = sites_.Log(TSearchEngine::Baidu);
  EXPECT_LT(log[2].stamp - log[0].stamp, 1000);
  EXPECT_GE(log[3].stamp - log[0].stamp, kFirstCoolDownMs);
  EXPECT_LE(log[3].stamp - log[0].stamp, kFirstCoolDownMs + kCoolDownStepMs + 200);
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, ProxySwitchText(ENGINE_BAIDU, 1, 2)), 1);
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, ProxySwitchText(ENGINE_BAIDU, 2, 3)), 1);
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, VerificationText(ENGINE_BAIDU)), 1);
  EXPECT_EQ(window_.Pages(), (std::vector<int>{1}));
}

// A dead proxy (nothing listens on its port) fails three times and is set aside for ten
// minutes; the Sogou collector, which ends on a failed request without proxies, goes on
// through the others.
TEST_F(ProxyCollectorTest, ADeadProxyIsSetAsideAndTheWorkGoesOn) {
  TProxy dead = proxies_[0];
  dead.port = TRealProxy::ClosedPort();
  UseProxies({dead, proxies_[1], proxies_[2]});
  RunEnginePages(TSearchEngine::Sogou, "k", 0, 8);

  EXPECT_EQ(endPage_, 8) << "the collector ended on its own";
  std::vector<int> carriers = Carriers(TSearchEngine::Sogou);
  EXPECT_EQ(carriers.size(), 8u);
  EXPECT_EQ(std::count(carriers.begin(), carriers.end(), 1), 0);
  TProxyStatus status = StatusOf(1);
  EXPECT_EQ(status.failures, TProxyPool::kFailuresToSetAside);
  EXPECT_EQ(status.state, TProxyState::SetAside);
  EXPECT_GT(status.setAsideLeftMs, TProxyPool::kSetAsideMs - 60000);
  EXPECT_EQ(StatusOf(2).failures + StatusOf(3).failures, 0);
}

// Company sites go direct unless the user ticked them through the proxies too.
TEST_F(ProxyCollectorTest, CrawlersGoDirectUnlessSitesAreTicked) {
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.a.com/"}, {"乙公司", "http://www.b.com/"}};
  sites_.SetHtml(TSearchEngine::Baidu, 0, BaiduHtml(page));
  for (bool sites : {false, true}) {
    SCOPED_TRACE(sites ? "sites through proxies" : "sites direct");
    NextRun();
    UseProxies(proxies_, sites);
    const std::size_t before = crawlers_.Made();
    RunEnginePages(TSearchEngine::Baidu, "k", 0, 1);
    std::vector<TCrawlerOrder> orders = crawlers_.Orders();
    ASSERT_EQ(orders.size(), before + 2);
    for (std::size_t i = before; i < orders.size(); ++i) {
      EXPECT_EQ(orders[i].proxy.has_value(), sites);
    }
    if (sites) {
      EXPECT_NE(orders[before].proxy->Key(), orders[before + 1].proxy->Key());
    }
  }
}

}  // namespace
}  // namespace vlmr::test
