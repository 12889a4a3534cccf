// Collection as the main window drives it: controllers over the real collectors, the pace they
// keep together, the collectors' crawler lists, pausing, and whole runs with real crawlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/CaijiPageCon.h"
#include "engine/CollectorFixture.h"
#include "engine/TaskCtl.h"

namespace vlmr::test {
namespace {

struct TEnd {
  int engine;
  std::string keyword;
  int page;
};

class CollectionTest : public CollectorTest {
 protected:
  std::shared_ptr<TTaskCtl> NewTask(const std::string& keyword, bool baidu, bool sogou,
                                    bool so360) {
    auto ctl = TTaskCtl::Create(keyword, window_.Handle(), baidu, sogou, so360);
    ctl->onEngineEnd = [this](TTaskCtl&, int engine, const std::string& k, int page) {
      ends_.push_back({engine, k, page});
    };
    return ctl;
  }
  // The last page each engine reported for a keyword (-1: none).
  int LastPage(const std::string& keyword, TEngineIndex engine) const {
    int page = -1;
    for (const TReport& r : window_.OfKind(REPORT_PAGE)) {
      if (r.keyword == keyword && r.source == SourceLabel(engine))
        page = r.page;
    }
    return page;
  }

  std::vector<TEnd> ends_;
};

TEST_F(CollectionTest, TwoTasksStartedTogetherKeepBaidusPace) {
  // Each pass of the page gate stops the clock until its request has arrived, so each request
  // is stamped with the pass that let it go.
  clock_.HoldOn(TGate::BaiduPage);
  sites_.SetClock([this] { return clock_.LastPass(TGate::BaiduPage); });
  sites_.SetOnRequest([this](const TEngineSites::TEntry&) { clock_.Release(); });
  auto a = NewTask("a", true, false, false);
  auto b = NewTask("b", true, false, false);
  window_.onReport = [&](const TReport& r) {
    if (r.kind == REPORT_PAGE && LastPage("a", ENGINE_BAIDU) >= 2 &&
        LastPage("b", ENGINE_BAIDU) >= 2) {
      a->StopAll();
      b->StopAll();
    }
  };
  a->Start();
  b->Start();
  ASSERT_TRUE(Until([&] { return ends_.size() == 2; }));

  std::vector<TEngineSites::TEntry> log = sites_.Log(TSearchEngine::Baidu);
  ASSERT_GE(log.size(), 4u);
  std::int64_t firstA = -1, firstB = -1;
  for (const auto& e : log) {
    if (firstA < 0 && e.target == "/s?wd=a")
      firstA = e.stamp;
    if (firstB < 0 && e.target == "/s?wd=b")
      firstB = e.stamp;
  }
  ASSERT_GE(firstA, 0);
  ASSERT_GE(firstB, 0);
  EXPECT_GT(std::abs(firstA - firstB), 2000);
  // Every request, of either task, after a pass of its own, more than 2000 ms after the pass
  // of the request before.
  for (std::size_t i = 1; i < log.size(); ++i)
    EXPECT_GT(log[i].stamp - log[i - 1].stamp, 2000) << i;
}

TEST_F(CollectionTest, StartWithSomeEnginesRunningStartsOnlyTheNewOnes) {
  auto ctl = NewTask("k", true, false, false);
  ctl->Start();
  ASSERT_EQ(ctl->threads.size(), 1u);
  TCollectorThread* baidu = ctl->threads[0].second;
  ctl->useSogou = true;
  ctl->Start();
  ASSERT_EQ(ctl->threads.size(), 2u);
  EXPECT_EQ(ctl->threads[0].second, baidu);
  EXPECT_EQ(ctl->threads[1].first, "sougou");
  EXPECT_EQ(ctl->threads[1].second->Engine(), ENGINE_SOGOU);
  ctl->StopAll();
  ASSERT_TRUE(Until([&] { return ends_.size() == 2; }));
}

TEST_F(CollectionTest, StopAllForgetsAtOnceAndTheEndsStillReportTheirPages) {
  auto ctl = NewTask("k", true, true, true);
  ctl->startPageSogou = 4;
  ctl->Start();
  ASSERT_EQ(ctl->threads.size(), 3u);
  ASSERT_TRUE(Until([&] {
    return LastPage("k", ENGINE_BAIDU) >= 1 && LastPage("k", ENGINE_SOGOU) >= 5 &&
           LastPage("k", ENGINE_360) >= 1;
  }));
  ctl->StopAll();
  EXPECT_TRUE(ctl->threads.empty());
  EXPECT_FALSE(ctl->IsRunning());
  std::map<int, int> reported = {{ENGINE_BAIDU, LastPage("k", ENGINE_BAIDU)},
                                 {ENGINE_SOGOU, LastPage("k", ENGINE_SOGOU)},
                                 {ENGINE_360, LastPage("k", ENGINE_360)}};
  ASSERT_TRUE(Until([&] { return ends_.size() == 3; }));
  std::set<int> engines;
  for (const TEnd& end : ends_) {
    engines.insert(end.engine);
    EXPECT_EQ(end.keyword, "k");
    // The page after the last one reported, or one more when a page was under way.
    EXPECT_GE(end.page, reported[end.engine]) << end.engine;
    EXPECT_LE(end.page, reported[end.engine] + 1) << end.engine;
  }
  EXPECT_EQ(engines.size(), 3u);
  EXPECT_FALSE(ctl->useBaidu || ctl->useSogou || ctl->use360);
}

TEST_F(CollectionTest, AStopBeforeTheFirstPageReportsTheStartPage) {
  // Another collector has just passed every page gate, and time stands still.
  clock_.Freeze(true);
  for (TGate gate : {TGate::BaiduPage, TGate::SogouPage, TGate::Page360})
    ASSERT_TRUE(TEngineLocks::TryPass(gate));
  auto ctl = NewTask("k", true, true, true);
  ctl->startPageBaidu = 3;
  ctl->startPageSogou = 6;
  ctl->startPage360 = 9;
  ctl->Start();
  ASSERT_TRUE(Until([&] { return clock_.Sleeps(100) >= 3; }));
  ctl->StopAll();
  ASSERT_TRUE(Until([&] { return ends_.size() == 3; }));
  std::map<int, int> reached;
  for (const TEnd& end : ends_)
    reached[end.engine] = end.page;
  // Stored as the last pages, these are where the next start resumes.
  EXPECT_EQ(reached, (std::map<int, int>{{ENGINE_BAIDU, 3}, {ENGINE_SOGOU, 6}, {ENGINE_360, 9}}));
  EXPECT_TRUE(sites_.Log().empty());
  EXPECT_TRUE(window_.Reports().empty());
}

TEST_F(CollectionTest, AnEngineThatEndsOnItsOwnClearsOnlyItsFlag) {
  auto ctl = NewTask("k", false, true, true);
  ctl->startPage360 = 7;
  sites_.SetPage(TSearchEngine::So360, 7, TPage::Error(503, "busy"));
  ctl->Start();
  ASSERT_TRUE(Until([&] { return !ends_.empty(); }));
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].engine, ENGINE_360);
  EXPECT_EQ(ends_[0].page, 7);  // the failed page, where the next start begins
  EXPECT_FALSE(ctl->use360);
  EXPECT_TRUE(ctl->useSogou);
  ASSERT_EQ(ctl->threads.size(), 1u);
  EXPECT_EQ(ctl->threads[0].first, "sougou");
  // The Sogou collector goes on paging.
  int before = LastPage("k", ENGINE_SOGOU);
  ASSERT_TRUE(Until([&] { return LastPage("k", ENGINE_SOGOU) > before + 1; }));
  ctl->StopAll();
  ASSERT_TRUE(Until([&] { return ends_.size() == 2; }));
}

TEST_F(CollectionTest, APausedCollectorMakesNoRequestAndStartsNoCrawler) {
  TLinkPage page;
  page.results = {
      {"甲", "http://www.a.com/"}, {"乙", "http://www.b.com/"}, {"丙", "http://www.c.com/"}};
  sites_.SetHtml(TSearchEngine::Sogou, 0, SogouHtml(page));
  auto ctl = NewTask("k", false, true, false);
  // Paused by the window as the first crawler starts; resumed below.
  crawlers_.onOrder = [&](const TCrawlerOrder&) {
    if (crawlers_.Made() == 1)
      PostToUi([ctl] { ctl->Pause(true); });
  };
  ctl->Start();
  ASSERT_TRUE(Until([&] { return ctl->threads[0].second->IsPaused(); }));
  std::size_t requests = web_.Requests().size();
  // The pause reached the collector before its next report returned.
  std::size_t made = crawlers_.Made();
  EXPECT_EQ(made, 1u);
  for (int i = 0; i < 200; ++i) {
    ui_->ProcessEvents();
    clock_.Advance(5000);
    std::this_thread::yield();
  }
  EXPECT_EQ(crawlers_.Made(), made);
  EXPECT_EQ(web_.Requests().size(), requests);
  EXPECT_TRUE(window_.Pages().empty());
  ctl->Pause(false);
  ASSERT_TRUE(Until([&] { return LastPage("k", ENGINE_SOGOU) >= 2; }));
  EXPECT_EQ(crawlers_.Urls(), (std::vector<std::string>{"http://www.a.com/", "http://www.b.com/",
                                                        "http://www.c.com/"}));
  ctl->StopAll();
}

TEST_F(CollectionTest, CrawlersThatEndFirstLeaveNothingToSweep) {
  crawlers_.Release();  // every crawler ends as soon as it runs
  TLinkPage page;
  page.results = {{"甲", "http://www.a.com/"}, {"乙", "http://www.b.com/"}};
  sites_.SetHtml(TSearchEngine::So360, 0, So360Html(page));
  TCollectorThread* collector = StartEngine(TSearchEngine::So360, "k", 0);
  // Only the collector is left once both crawlers have ended and been removed.
  ASSERT_TRUE(Until([&] { return crawlers_.Made() == 2 && TWorkerRegistry::Count() == 1; }));
  collector->Terminate();
  ASSERT_TRUE(Until([&] { return ended_; }));
  ASSERT_TRUE(DrainWorkers());
  EXPECT_EQ(crawlers_.Stopped(), 0);
}

TEST_F(CollectionTest, ACollectorThatEndsFirstStopsItsCrawlers) {
  TLinkPage page;
  page.results = {
      {"甲", "http://www.a.com/"}, {"乙", "http://www.b.com/"}, {"丙", "http://www.c.com/"}};
  sites_.SetHtml(TSearchEngine::Sogou, 0, SogouHtml(page));
  RunEnginePages(TSearchEngine::Sogou, "k", 0, 1);
  // The crawlers never end by themselves: only the collector's sweep can end them, and their
  // ends then find the collector gone and touch nothing of it.
  ASSERT_TRUE(DrainWorkers());
  EXPECT_EQ(crawlers_.Made(), 3u);
  EXPECT_EQ(crawlers_.Stopped(), 3);
}

TEST_F(CollectionTest, CrawlerEndsRacingTheSweep) {
  TLinkPage page;
  for (int i = 0; i < 8; ++i)
    page.results.push_back({"站", "http://www.s" + std::to_string(i) + ".com/"});
  sites_.SetHtml(TSearchEngine::Sogou, 0, SogouHtml(page));
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE(round);
    NextRun();
    TCrawlerBook book;
    TCollectorThread* collector = StartEngine(TSearchEngine::Sogou, "k", 0);
    ASSERT_TRUE(Until([&] { return book.Running() == 8; }));
    // The crawlers end (their notifications queue for the UI thread) while the collector
    // ends and sweeps on its own thread.
    std::thread release([&] { book.Release(); });
    collector->Terminate();
    release.join();
    // Whatever the order, everything ends and nothing touches freed memory (the sanitizer
    // builds check the latter).
    ASSERT_TRUE(DrainWorkers());
  }
}

// Whole runs with the real crawlers against company sites.
class RealCrawlersTest : public CollectionTest {
 protected:
  void SetUp() override {
    CollectionTest::SetUp();
    TCollectorThread::SetCrawlerFactoryForTesting(nullptr);
  }
  void TearDown() override {
    CollectionTest::TearDown();
    ResetCrawlerTimeoutsForTesting();
  }
  static TPage CompanyPage(const std::string& nameUtf8) {
    return TPage::Html("<html><head><title>" + nameUtf8 +
                       "</title></head><body>联系电话：020-87654321 手机：13812345678<br>"
                       "地址：广州市天河区体育西路100号</body></html>");
  }
};

TEST_F(RealCrawlersTest, CompaniesArriveFromAllThreeEngines) {
  TCrawlerTimeouts t;
  t.firstRequestMs = t.lookupMs = t.pageFetchMs = 5000;
  t.retryPauseMs = 10;
  SetCrawlerTimeoutsForTesting(t);
  struct Site {
    const char* host;
    const char* nameUtf8;
    TEngineIndex engine;
    int isPay;
  } sites[] = {
      {"www.bd-ad.com", "甲机电设备有限公司", ENGINE_BAIDU, 1},
      {"www.bd-org.com", "乙机电设备有限公司", ENGINE_BAIDU, 0},
      {"www.sg-ad.com", "丙机电设备有限公司", ENGINE_SOGOU, 1},
      {"www.sg-org.com", "丁机电设备有限公司", ENGINE_SOGOU, 0},
      {"www.so-ad.com", "戊机电设备有限公司", ENGINE_360, 1},
      {"www.so-org.com", "己机电设备有限公司", ENGINE_360, 0},
  };
  for (const Site& s : sites)
    web_.AddHost(s.host, CompanyPage(s.nameUtf8));
  auto url = [](const char* host) { return std::string("http://") + host + "/"; };
  TBaiduPage baidu;
  baidu.ads = {{"甲机电设备有限公司", url("www.bd-ad.com")}};
  baidu.results = {{"乙机电设备有限公司", url("www.bd-org.com")}};
  sites_.SetHtml(TSearchEngine::Baidu, 0, BaiduHtml(baidu));
  sites_.SetHtml(TSearchEngine::Sogou, 0,
                 SogouHtml({{{"丙", url("www.sg-ad.com"), true}, {"丁", url("www.sg-org.com")}}}));
  sites_.SetHtml(TSearchEngine::So360, 0,
                 So360Html({{{"戊", url("www.so-ad.com"), true}, {"己", url("www.so-org.com")}}}));

  auto ctl = NewTask("k", true, true, true);
  ctl->Start();
  auto found = [&] {
    std::set<std::string> hosts;
    for (const TReport& r : window_.OfKind(REPORT_COMPANY))
      hosts.insert(r.webUrl);
    return hosts.size();
  };
  ASSERT_TRUE(Until([&] { return found() == 6; }));
  ctl->StopAll();
  ASSERT_TRUE(Until([&] { return ends_.size() == 3; }));
  for (const Site& s : sites) {
    SCOPED_TRACE(s.host);
    auto companies = window_.OfKind(REPORT_COMPANY);
    auto it = std::find_if(companies.begin(), companies.end(),
                           [&](const TReport& r) { return r.webUrl == url(s.host); });
    ASSERT_NE(it, companies.end());
    EXPECT_EQ(it->keyword, "k");
    EXPECT_EQ(it->source, SourceLabel(s.engine));
    EXPECT_EQ(it->isPay, s.isPay);
    EXPECT_EQ(GbkToUtf8(it->text), s.nameUtf8);
  }
}

TEST_F(RealCrawlersTest, StopPauseAndResumeUnderLoadLeaveNoThreadBehind) {
  // Crawlers that hang on their site end only when they are asked to stop.
  TCrawlerTimeouts t;
  t.firstRequestMs = t.lookupMs = 10 * 60 * 1000;
  t.retryPauseMs = 10;
  SetCrawlerTimeoutsForTesting(t);
  web_.AddHost("*.stall.com", TPage::Faulty(TFault::StallBeforeHeaders));
  for (TSearchEngine engine : {TSearchEngine::Baidu, TSearchEngine::Sogou, TSearchEngine::So360}) {
    sites_.SetGenerator(engine, [engine](int index) {
      // Pages 0 and 1: one site that answers, one that hangs; then pages without results.
      std::string n = std::to_string(index);
      std::string quick = "http://www.quick" + n + ".com/";
      std::string hang = "http://www.p" + n + ".stall.com/";
      TBaiduPage baidu;
      TLinkPage links;
      if (index <= 1) {
        baidu.ads = {{"快公司", quick}};
        baidu.results = {{"慢公司", hang}};
        links.results = {{"快", quick, true}, {"慢", hang}};
      }
      switch (engine) {
        case TSearchEngine::Baidu:
          return TPage::Html(BaiduHtml(baidu));
        case TSearchEngine::Sogou:
          return TPage::Html(SogouHtml(links));
        default:
          return TPage::Html(So360Html(links));
      }
    });
  }
  auto a = NewTask("a", true, true, true);
  auto b = NewTask("b", true, true, true);
  a->Start();
  b->Start();
  auto pages = [&] { return window_.OfKind(REPORT_PAGE).size(); };
  ASSERT_TRUE(Until([&] { return pages() >= 6; }));
  a->Pause(true);
  b->Pause(true);
  ui_->ProcessEvents();
  a->Pause(false);
  ASSERT_TRUE(Until([&] { return pages() >= 10; }));
  b->Pause(false);
  ASSERT_TRUE(Until([&] { return web_.Stalled() >= 2; }));
  a->StopAll();
  b->StopAll();
  ASSERT_TRUE(DrainWorkers());
  EXPECT_EQ(ends_.size(), 6u);
  web_.ReleaseStalls();
}

}  // namespace
}  // namespace vlmr::test
