// Engine verification pages: recognised by their markers, not counted, said in a progress text,
// and the same page asked for again after a cool-down that doubles on the pacing clock, while
// the task's other engines go on.
#include "engine/VerifyPage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "engine/CollectorFixture.h"
#include "engine/records/EngineSettings.h"
#include "support/VerifyPages.h"

namespace vlmr::test {
namespace {

TEST(VerifyPage, RecognisedByAddressOrTitle) {
  const std::string kResults = "<html><head><title>广州 电子_百度搜索</title></head>";
  struct TCase {
    TEngineIndex engine;
    std::string finalUrl;
    std::string body;
    bool verification;
  };
  const TCase cases[] = {
      {ENGINE_BAIDU, "https://wappass.baidu.com/static/captcha/tuxing.html?ak=1", "", true},
      {ENGINE_BAIDU, "http://WAPPASS.BAIDU.COM:80/", "<html></html>", true},
      {ENGINE_BAIDU, "http://www.baidu.com/s?wd=x", "<title>百度安全验证</title>", true},
      {ENGINE_BAIDU, "http://www.baidu.com/s?wd=x", "<TITLE lang=zh>\n 百度安全验证 \n</TITLE>",
       true},
      // Results whose keyword holds the title's words, another engine's markers, look-alikes.
      {ENGINE_BAIDU, "http://www.baidu.com/s?wd=x", "<title>百度安全验证 公司_百度搜索</title>",
       false},
      {ENGINE_BAIDU, "http://www.baidu.com/s?wd=wappass.baidu.com", kResults, false},
      {ENGINE_BAIDU, "http://wappass.baidu.com.cn/", kResults, false},
      {ENGINE_BAIDU, "http://www.sogou.com/antispider/", "", false},
      {ENGINE_SOGOU, "http://www.sogou.com/antispider/?from=%2Fweb", "", true},
      {ENGINE_SOGOU, "https://WWW.SOGOU.COM/antispider", "<html>", true},
      {ENGINE_SOGOU, "http://sogou.com/antispider/util/seccode.php", "", true},
      {ENGINE_SOGOU, "http://www.sogou.com/web?query=antispider/", "", false},
      {ENGINE_SOGOU, "http://www.sogou.com/antispiders/", "", false},
      {ENGINE_SOGOU, "http://www.other.cn/antispider/", "", false},
      {ENGINE_SOGOU, "http://www.sogou.com/web?query=x", "<title>百度安全验证</title>", false},
      {ENGINE_360, "http://qcaptcha.so.com/?ret=%2Fs", "", true},
      {ENGINE_360, "http://www.so.com/s?q=x", "<title>360搜索_安全验证</title>", true},
      {ENGINE_360, "http://www.so.com/s?q=x", "<title>安全验证_360搜索</title>", false},
      {ENGINE_360, "http://www.so.com/s?q=x", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsVerificationPage(c.engine, c.finalUrl, c.body), c.verification)
        << c.engine << " " << c.finalUrl << " " << c.body;
  }
}

TEST(VerifyPage, CoolDownDoublesFromOneMinuteToHalfAnHour) {
  std::vector<int> minutes;
  for (int ms = kFirstCoolDownMs, i = 0; i < 8; ++i, ms = NextCoolDownMs(ms)) {
    minutes.push_back(ms / 60000);
  }
  EXPECT_EQ(minutes, (std::vector<int>{1, 2, 4, 8, 16, 30, 30, 30}));
  EXPECT_EQ(GbkToUtf8(VerificationText(ENGINE_BAIDU)), "百度：搜索引擎要求安全验证，稍后自动重试");
  EXPECT_EQ(GbkToUtf8(VerificationText(ENGINE_SOGOU)), "搜狗：搜索引擎要求安全验证，稍后自动重试");
  EXPECT_EQ(GbkToUtf8(VerificationText(ENGINE_360)), "360：搜索引擎要求安全验证，稍后自动重试");
}

struct TVerifyCase {
  const char* name;
  TSearchEngine engine;
  TEngineIndex index;
  TVerifyForm form;
};

const TVerifyCase kCases[] = {
    {"Baidu redirect", TSearchEngine::Baidu, ENGINE_BAIDU, TVerifyForm::Redirect},
    {"Baidu page", TSearchEngine::Baidu, ENGINE_BAIDU, TVerifyForm::Page},
    {"Sogou redirect", TSearchEngine::Sogou, ENGINE_SOGOU, TVerifyForm::Redirect},
    // A verification page that fails to load is still one: it does not end the collector.
    {"Sogou redirect to an error", TSearchEngine::Sogou, ENGINE_SOGOU,
     TVerifyForm::RedirectToError},
    {"360 page", TSearchEngine::So360, ENGINE_360, TVerifyForm::Page},
    {"360 redirect", TSearchEngine::So360, ENGINE_360, TVerifyForm::Redirect},
};

// A result page with one result that leads off the engine.
TPage ResultPage(TSearchEngine engine) {
  TPage page;
  page.charset = "utf-8";
  switch (engine) {
    case TSearchEngine::Baidu: {
      TBaiduPage p;
      p.results = {{"甲公司", "http://www.a.com/"}};
      page.body = BaiduHtml(p);
      break;
    }
    case TSearchEngine::Sogou:
    case TSearchEngine::So360: {
      TLinkPage p;
      p.results = {{"甲公司", "http://www.a.com/"}};
      page.body = engine == TSearchEngine::Sogou ? SogouHtml(p) : So360Html(p);
      break;
    }
  }
  return page;
}

class CollectorVerificationTest : public CollectorTest {
 protected:
  void SetUp() override {
    CollectorTest::SetUp();
    AddVerificationSites(web_);
    sites_.SetClock([this] { return clock_.NowMs(); });
  }

  // The engine answers its requests in turn by `script` ('V' a verification page, 'R' results);
  // past its end, results.
  void Script(const TVerifyCase& c, std::string script) {
    auto turn = std::make_shared<std::atomic<std::size_t>>(0);
    sites_.SetGenerator(c.engine, [c, script, turn](int) {
      std::size_t n = turn->fetch_add(1);
      return n < script.size() && script[n] == 'V' ? VerificationAnswer(c.engine, c.form)
                                                   : ResultPage(c.engine);
    });
  }

  int VerificationReports(TEngineIndex engine) const {
    return window_.Count(REPORT_PROGRESS, VerificationText(engine));
  }
};

// Three verification pages in a row, results, one more: each is asked for again after a
// cool-down of 1, 2 and 4 minutes, then 1 minute again; only pages with results count, and a
// verification page starts no crawler.
TEST_F(CollectorVerificationTest, PageIsAskedForAgainAfterADoublingCoolDown) {
  for (const TVerifyCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Script(c, "VVVRV");
    const std::size_t before = sites_.Log(c.engine).size();
    RunEnginePages(c.engine, "k", 2, 3);

    std::vector<TEngineSites::TEntry> log = sites_.Log(c.engine);
    log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_GE(log.size(), 6u);
    std::vector<int> indexes;
    for (std::size_t i = 0; i < 6; ++i)
      indexes.push_back(log[i].index);
    EXPECT_EQ(indexes, (std::vector<int>{2, 2, 2, 2, 3, 3}));
    const std::int64_t slack = GateIntervalMs(TGate::SogouPage);
    const std::int64_t coolDowns[] = {60000, 120000, 240000};
    for (std::size_t i = 0; i < 3; ++i) {
      const std::int64_t gap = log[i + 1].stamp - log[i].stamp;
      EXPECT_GE(gap, coolDowns[i]) << "after verification page " << i + 1;
      EXPECT_LE(gap, coolDowns[i] + slack) << "after verification page " << i + 1;
    }
    // After a page with results the doubling starts afresh.
    const std::int64_t afterResults = log[5].stamp - log[4].stamp;
    EXPECT_GE(afterResults, 60000);
    EXPECT_LE(afterResults, 60000 + slack);

    EXPECT_EQ(VerificationReports(c.index), 4);
    EXPECT_EQ(window_.Pages(), (std::vector<int>{3, 4, 5}));
    // The results of pages 2, 3 and 4; nothing of the verification pages' own link.
    for (const std::string& url : crawlers_.Urls())
      EXPECT_EQ(url.find("verify-help"), std::string::npos) << url;
    NextRun();
    sites_.SetGenerator(c.engine, nullptr);
  }
}

TEST_F(CollectorVerificationTest, CoolDownStopsGrowingAtHalfAnHour) {
  const TVerifyCase& c = kCases[0];
  Script(c, "VVVVVVVR");
  RunEnginePages(c.engine, "k", 0, 1);
  const std::vector<TEngineSites::TEntry> log = sites_.Log(c.engine);
  ASSERT_GE(log.size(), 8u);
  std::vector<std::int64_t> minutes;
  for (std::size_t i = 0; i + 1 < 8; ++i)
    minutes.push_back((log[i + 1].stamp - log[i].stamp) / 60000);
  EXPECT_EQ(minutes, (std::vector<std::int64_t>{1, 2, 4, 8, 16, 30, 30}));
  EXPECT_EQ(window_.Pages(), std::vector<int>{1});
}

// Baidu keeps asking for verification; Sogou and 360, in the same task, page on and start
// their crawlers meanwhile.
TEST_F(CollectorVerificationTest, OtherEnginesGoOn) {
  Script(kCases[0], "VVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVVV");
  sites_.SetPage(TSearchEngine::Sogou, 0, ResultPage(TSearchEngine::Sogou));
  sites_.SetPage(TSearchEngine::So360, 0, ResultPage(TSearchEngine::So360));
  std::atomic<int> ended{0};
  std::vector<TCollectorThread*> collectors;
  for (TSearchEngine engine : {TSearchEngine::Baidu, TSearchEngine::Sogou, TSearchEngine::So360}) {
    TCollectorThread* collector = nullptr;
    switch (engine) {
      case TSearchEngine::Baidu:
        collector = new TCaijiBaidu(window_.Handle(), "k", 0);
        break;
      case TSearchEngine::Sogou:
        collector = new TCaijiSouGou(window_.Handle(), "k", 0);
        break;
      case TSearchEngine::So360:
        collector = new TCaiji360(window_.Handle(), "k", 0);
        break;
    }
    collector->SetOnTerminate([&ended](TWorkerThread&) { ++ended; });
    collector->Start();
    collectors.push_back(collector);
  }
  auto pagesOf = [&](TEngineIndex engine) {
    int n = 0;
    for (const TReport& r : window_.OfKind(REPORT_PAGE))
      n += r.source == SourceLabel(engine) ? 1 : 0;
    return n;
  };
  ASSERT_TRUE(Until([&] {
    return pagesOf(ENGINE_SOGOU) >= 3 && pagesOf(ENGINE_360) >= 3 &&
           VerificationReports(ENGINE_BAIDU) >= 2;
  }));
  for (TCollectorThread* collector : collectors)
    collector->Terminate();
  ASSERT_TRUE(Until([&] { return ended == 3; }));
  EXPECT_EQ(pagesOf(ENGINE_BAIDU), 0);
  std::size_t fromSites = 0;
  for (const TCrawlerOrder& order : crawlers_.Orders())
    fromSites += order.para.url == "http://www.a.com/" ? 1 : 0;
  EXPECT_GE(fromSites, 2u);
  for (const TCrawlerOrder& order : crawlers_.Orders())
    EXPECT_NE(order.flavour, TCrawlerFlavour::Baidu);
}

// With the clock standing, a cool-down would last for ever: a stop ends it, and the collector
// reports the page it was asked for.
TEST_F(CollectorVerificationTest, AStopDuringTheCoolDownEndsTheCollector) {
  for (const TVerifyCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Script(c, "V");
    const std::size_t before = sites_.Log(c.engine).size();
    TCollectorThread* collector = StartEngine(c.engine, "k", 4);
    window_.onReport = [this, c](const TReport& r) {
      if (r.kind == REPORT_PROGRESS && r.text == VerificationText(c.index))
        clock_.Freeze(true);
    };
    const int naps = clock_.Sleeps(kCoolDownStepMs);
    ASSERT_TRUE(Until([&] { return clock_.Sleeps(kCoolDownStepMs) > naps; }));
    collector->Terminate();
    ASSERT_TRUE(Until([&] { return ended_; }));
    EXPECT_EQ(endPage_, 4);
    EXPECT_EQ(sites_.Log(c.engine).size(), before + 1);
    EXPECT_TRUE(window_.Pages().empty());
    clock_.Freeze(false);
    NextRun();
    sites_.SetGenerator(c.engine, nullptr);
  }
}

// A pause during the cool-down holds it: however much time passes, no request is made until
// the collector is resumed.
TEST_F(CollectorVerificationTest, APauseDuringTheCoolDownHoldsIt) {
  const TVerifyCase& c = kCases[2];
  Script(c, "V");
  TCollectorThread* collector = StartEngine(c.engine, "k", 0);
  window_.onReport = [collector, c](const TReport& r) {
    if (r.kind == REPORT_PROGRESS && r.text == VerificationText(c.index))
      collector->SetPaused(true);
  };
  ASSERT_TRUE(Until([&] { return VerificationReports(c.index) == 1; }));
  for (int i = 0; i < 200; ++i) {
    ui_->ProcessEvents();
    clock_.Advance(5000);
    std::this_thread::yield();
  }
  EXPECT_EQ(sites_.Log(c.engine).size(), 1u);
  collector->SetPaused(false);
  ASSERT_TRUE(Until([&] { return sites_.Log(c.engine).size() >= 2; }));
  EXPECT_EQ(sites_.Log(c.engine)[1].index, 0);
  collector->Terminate();
  ASSERT_TRUE(Until([&] { return ended_; }));
}

}  // namespace
}  // namespace vlmr::test
