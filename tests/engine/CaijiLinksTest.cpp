// The Sogou and 360 collectors: twins that read links instead of result blocks.
#include <gtest/gtest.h>

#include "engine/Caiji360.h"
#include "engine/CaijiSouGou.h"
#include "engine/CollectorFixture.h"

namespace vlmr::test {
namespace {

struct TLinkEngine {
  const char* name;
  TSearchEngine engine;
  TCrawlerFlavour flavour;
  std::string (*html)(const TLinkPage&);
  std::string (*adClick)(const std::string&);
  const char* sourceUtf8;
  // Off-engine addresses that still name one of the engine's domains, so are never crawled.
  std::vector<std::string> ownDomainLinks;
};

const TLinkEngine kLinkEngines[] = {
    {"Sogou",
     TSearchEngine::Sogou,
     TCrawlerFlavour::Sogou,
     SogouHtml,
     SogouAdClick,
     "搜狗",
     {"http://www.d.com/?from=sogou.com"}},
    {"So360",
     TSearchEngine::So360,
     TCrawlerFlavour::So360,
     So360Html,
     So360AdClick,
     "360",
     {"http://www.d.com/?from=so.com", "http://www.e.com/?ref=360.cn"}},
};

class CaijiLinksTest : public CollectorTest, public ::testing::WithParamInterface<int> {
 protected:
  const TLinkEngine& E() const { return kLinkEngines[GetParam()]; }
  void SetPage(int index, const TLinkPage& page) {
    sites_.SetHtml(E().engine, index, E().html(page));
  }
};

TEST_P(CaijiLinksTest, EachAddressOncePerPageAdsFirst) {
  const std::string a = "http://www.a.com/", b = "http://www.b.com/";
  TLinkPage first;
  first.results = {
      {"乙", b},
      {"甲广告", a, true},
      {"甲", a},
      {"甲", "http://WWW.A.COM/"},                         // the same address in other letters
      {"甲广告", a, true},                                 // the same ad twice
      {"丙", "http://www.c.com/", false, TQuote::Single},  // no double quote after it
  };
  for (const std::string& own : E().ownDomainLinks)
    first.results.push_back({"丁", own});
  TLinkPage second;
  second.results = {{"甲", a}};
  SetPage(0, first);
  SetPage(1, second);
  RunEnginePages(E().engine, "k", 0, 2);

  // Ad links first (in page order), then the others in page order; an address again on the
  // next page is crawled again.
  EXPECT_EQ(crawlers_.Urls(), (std::vector<std::string>{E().adClick(a), b, a, a}));
  for (const TCrawlerOrder& o : crawlers_.Orders()) {
    EXPECT_EQ(o.flavour, E().flavour);
    EXPECT_EQ(o.para.keyword, "k");
    EXPECT_EQ(o.para.window, window_.Handle());
  }
  EXPECT_EQ(window_.Pages(), (std::vector<int>{1, 2}));
  for (const TReport& r : window_.OfKind(REPORT_PAGE))
    EXPECT_EQ(r.source, Utf8ToGbk(E().sourceUtf8));
  std::vector<std::int64_t> passes =
      clock_.Passes(E().engine == TSearchEngine::Sogou ? TGate::SogouSite : TGate::Site360);
  ASSERT_EQ(passes.size(), 4u);
  for (std::size_t i = 1; i < passes.size(); ++i)
    EXPECT_GT(passes[i] - passes[i - 1], 2000);
}

TEST_P(CaijiLinksTest, PagesWithoutAddressesStillCount) {
  struct Case {
    const char* name;
    TPage page;
  } cases[] = {
      {"no links", TPage::Html(E().html({{}, false}))},
      {"only engine links", TPage::Html(E().html({}))},
      {"empty body", TPage::Bytes("")},
      {"not UTF-8", TPage::Bytes("<a href=\"http://www.x.com/\">\xff\xfe</a>")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    sites_.SetPage(E().engine, 0, c.page);
    RunEnginePages(E().engine, "k", 0, 1);
    EXPECT_EQ(crawlers_.Made(), 0u);
    EXPECT_EQ(window_.Pages(), std::vector<int>{1});
    EXPECT_EQ(endPage_, 1);
  }
}

TEST_P(CaijiLinksTest, AFailedRequestEndsTheRunAtTheFailedPage) {
  // Short enough for the stalled answer, long enough that the good first page is never late
  // under a sanitizer on a busy machine.
  TCollectorThread::SetRequestTimeoutForTesting(1500);
  struct Case {
    const char* name;
    TPage page;
  } cases[] = {
      {"error status", TPage::Error(500, std::string(2000, 'e'))},
      {"reset", TPage::Faulty(TFault::Reset)},
      {"time-out", TPage::Faulty(TFault::StallBeforeHeaders)},
      {"redirect to https",
       TPage::Redirect(std::string("https://") + SearchHost(E().engine) + "/next")},
  };
  TLinkPage ok;
  ok.results = {{"甲", "http://www.a.com/"}};
  SetPage(0, ok);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    sites_.SetPage(E().engine, 1, c.page);
    std::size_t before = sites_.Log(E().engine).size();
    StartEngine(E().engine, "k", 0);
    ASSERT_TRUE(Until([&] { return ended_; }));
    // No page report for the failed page, and no further request: the failed page is the one
    // the next start begins with.
    EXPECT_EQ(window_.Pages(), std::vector<int>{1});
    EXPECT_EQ(endPage_, 1);
    std::vector<TEngineSites::TEntry> log = sites_.Log(E().engine);
    ASSERT_GT(log.size(), before + 1);
    for (std::size_t i = before + 1; i < log.size(); ++i)
      EXPECT_EQ(log[i].index, 1);  // a reset reused connection is tried once more by the client
    web_.ReleaseStalls();
  }
}

TEST_P(CaijiLinksTest, AStopDuringASiteWaitEndsThePage) {
  TLinkPage page;
  page.results = {
      {"甲", "http://www.a.com/"}, {"乙", "http://www.b.com/"}, {"丙", "http://www.c.com/"}};
  SetPage(0, page);
  crawlers_.onOrder = [this](const TCrawlerOrder&) { clock_.Freeze(true); };
  TCollectorThread* collector = StartEngine(E().engine, "k", 0);
  ASSERT_TRUE(Until([&] { return clock_.Sleeps(50) > 0; }));
  collector->Terminate();
  ASSERT_TRUE(Until([&] { return ended_; }));
  EXPECT_EQ(crawlers_.Made(), 1u);
  EXPECT_TRUE(window_.Pages().empty());
  EXPECT_EQ(endPage_, 1);
  ASSERT_TRUE(DrainWorkers());
  EXPECT_EQ(crawlers_.Stopped(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, CaijiLinksTest, ::testing::Values(0, 1),
                         [](const auto& info) { return kLinkEngines[info.param].name; });

// Addresses of the first two pages from a start page, for every engine.
TEST_F(CollectorTest, RequestAddresses) {
  const std::string gbkKeyword = "%B9%E3%D6%DD%20%B5%E7%D7%D3%B9%AB%CB%BE";
  const std::string utf8Keyword = "%E5%B9%BF%E5%B7%9E%20%E7%94%B5%E5%AD%90%E5%85%AC%E5%8F%B8";
  struct Case {
    TSearchEngine engine;
    const char* keywordUtf8;
    int startPage;
    std::vector<std::string> targets;
  } cases[] = {
      {TSearchEngine::Sogou, "abc", 0, {"/web?query=abc", "/web?query=abc&page=2"}},
      {TSearchEngine::Sogou, "abc", 1, {"/web?query=abc&page=2", "/web?query=abc&page=3"}},
      {TSearchEngine::Sogou,
       "广州 电子公司",
       0,
       {"/web?query=" + gbkKeyword, "/web?query=" + gbkKeyword + "&page=2"}},
      {TSearchEngine::So360, "abc", 0, {"/s?ie=utf-8&q=abc", "/s?ie=utf-8&q=abc&pn=2"}},
      {TSearchEngine::So360, "abc", 1, {"/s?ie=utf-8&q=abc&pn=2", "/s?ie=utf-8&q=abc&pn=3"}},
      {TSearchEngine::So360,
       "广州 电子公司",
       0,
       {"/s?ie=utf-8&q=" + utf8Keyword, "/s?ie=utf-8&q=" + utf8Keyword + "&pn=2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(SearchHost(c.engine)) + " " + c.keywordUtf8);
    NextRun();
    std::size_t before = sites_.Log(c.engine).size();
    RunEnginePages(c.engine, Utf8ToGbk(c.keywordUtf8), c.startPage, 2);
    std::vector<std::string> targets = sites_.Targets(c.engine);
    ASSERT_EQ(targets.size() - before, 2u);
    EXPECT_EQ(std::vector<std::string>(targets.begin() + before, targets.end()), c.targets);
    EXPECT_EQ(window_.Pages(), (std::vector<int>{c.startPage + 1, c.startPage + 2}));
  }
}

// A stop while a result-page request hangs ends it at once, for every engine (the request's
// own time-out is far beyond the test's bound).
TEST_F(CollectorTest, AStopAbortsAHangingRequest) {
  TCollectorThread::SetRequestTimeoutForTesting(10 * 60 * 1000);
  for (TSearchEngine engine : {TSearchEngine::Baidu, TSearchEngine::Sogou, TSearchEngine::So360}) {
    SCOPED_TRACE(SearchHost(engine));
    NextRun();
    sites_.SetPage(engine, 0, TPage::Faulty(TFault::StallBeforeHeaders));
    int stalled = web_.Stalled();
    TCollectorThread* collector = StartEngine(engine, "k", 0);
    ASSERT_TRUE(Until([&] { return web_.Stalled() > stalled; }));
    collector->Terminate();
    ASSERT_TRUE(Until([&] { return ended_; }));
    EXPECT_TRUE(window_.Pages().empty());
    EXPECT_EQ(endPage_, 0);
  }
  web_.ReleaseStalls();
}

}  // namespace
}  // namespace vlmr::test
