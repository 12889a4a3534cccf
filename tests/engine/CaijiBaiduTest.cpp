#include "engine/CaijiBaidu.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/CollectorFixture.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

constexpr TSearchEngine kBaidu = TSearchEngine::Baidu;

class CaijiBaiduTest : public CollectorTest {
 protected:
  void SetPage(int index, const TBaiduPage& page) {
    sites_.SetHtml(kBaidu, index, BaiduHtml(page));
  }
};

TEST_F(CaijiBaiduTest, RequestsPagesFromTheStartPageWithTheKeywordInGbk) {
  struct Case {
    const char* keywordUtf8;
    int startPage;
    std::vector<std::string> targets;  // of the first two pages
  } cases[] = {
      {"abc", 0, {"/s?wd=abc", "/s?wd=abc&pn=10"}},
      {"abc", 3, {"/s?wd=abc&pn=30", "/s?wd=abc&pn=40"}},
      {"广州 电子公司",
       0,
       {"/s?wd=%B9%E3%D6%DD%20%B5%E7%D7%D3%B9%AB%CB%BE",
        "/s?wd=%B9%E3%D6%DD%20%B5%E7%D7%D3%B9%AB%CB%BE&pn=10"}},
      {"a-b.c_d/e:f&g", 0, {"/s?wd=a-b.c_d/e:f%26g", "/s?wd=a-b.c_d/e:f%26g&pn=10"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keywordUtf8);
    RunPages<TCaijiBaidu>(Utf8ToGbk(c.keywordUtf8), c.startPage, 2);
    std::vector<TEngineSites::TEntry> log = sites_.Log(kBaidu);
    ASSERT_GE(log.size(), 2u);
    std::vector<std::string> firstTwo = {log[log.size() - 2].target, log.back().target};
    EXPECT_EQ(firstTwo, c.targets);
    EXPECT_EQ(window_.Pages(), (std::vector<int>{c.startPage + 1, c.startPage + 2}));
    EXPECT_EQ(endPage_, c.startPage + 2);
    NextRun();
  }
}

TEST_F(CaijiBaiduTest, ABodyMustBeLongerThan1500BytesToCount) {
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.jia.com/"}};
  for (std::size_t size : {std::size_t{1500}, std::size_t{1501}}) {
    SCOPED_TRACE(size);
    page.exactSize = size;
    SetPage(0, page);
    NextRun();
    auto* collector = StartCollector<TCaijiBaidu>("k", 0);
    // Stopped as it goes for its second page, or for page 0 once more.
    auto fetches = std::make_shared<int>(0);
    StopWhen(collector, [fetches](const TReport& r) {
      return r.kind == REPORT_PROGRESS && r.text == Utf8ToGbk("正在获取搜索结果...") &&
             ++*fetches == 2;
    });
    ASSERT_TRUE(Until([&] { return ended_; }));
    ASSERT_TRUE(DrainWorkers());
    std::vector<TEngineSites::TEntry> log = sites_.Log(kBaidu);
    ASSERT_FALSE(log.empty());
    if (size == 1500) {
      // Never counted: page 0 again, no crawler, no page report, the start page reached.
      for (const auto& entry : log)
        EXPECT_EQ(entry.index, 0);
      EXPECT_EQ(crawlers_.Made(), 0u);
      EXPECT_TRUE(window_.Pages().empty());
      EXPECT_EQ(endPage_, 0);
    } else {
      EXPECT_EQ(crawlers_.Urls(), std::vector<std::string>{BaiduLink("http://www.jia.com/")});
      EXPECT_EQ(window_.Pages(), std::vector<int>{1});
      EXPECT_EQ(endPage_, 1);
    }
  }
}

TEST_F(CaijiBaiduTest, PagesThatCountWithoutResults) {
  struct Case {
    const char* name;
    std::function<std::string()> html;
  } cases[] = {
      {"no content_left",
       [] {
         TBaiduPage p;
         p.contentLeft = false;
         p.results = {{"甲公司", "http://www.jia.com/"}};
         return BaiduHtml(p);
       }},
      {"not UTF-8", [] { return std::string(3000, '\xff'); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sites_.SetHtml(kBaidu, 0, c.html());
    NextRun();
    RunPages<TCaijiBaidu>("k", 0, 1);
    ASSERT_TRUE(DrainWorkers());
    EXPECT_EQ(crawlers_.Made(), 0u);
    EXPECT_EQ(window_.Pages(), std::vector<int>{1});
  }
}

TEST_F(CaijiBaiduTest, APageWithoutPagerIsReadToItsEnd) {
  TBaiduPage page;
  page.pageMarker = false;
  page.results = {{"甲公司", "http://www.jia.com/"}, {"乙公司", "http://www.yi.com/"}};
  SetPage(0, page);
  RunPages<TCaijiBaidu>("k", 0, 1);
  EXPECT_EQ(crawlers_.Urls(), (std::vector<std::string>{BaiduLink("http://www.jia.com/"),
                                                        BaiduLink("http://www.yi.com/")}));
}

TEST_F(CaijiBaiduTest, BlocksAfterThePagerAreNotRead) {
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.jia.com/"}};
  std::string html = BaiduHtml(page);
  TBaiduPage late;
  late.results = {{"乙公司", "http://www.yi.com/"}};
  std::string lateHtml = BaiduHtml(late);
  std::string lateBlock = TextBetween("<div class=\"result", "<div id=\"page\">", lateHtml);
  html.insert(html.find("</body>"), "<div class=\"result" + lateBlock);
  sites_.SetHtml(kBaidu, 0, html);
  RunPages<TCaijiBaidu>("k", 0, 1);
  EXPECT_EQ(crawlers_.Urls(), std::vector<std::string>{BaiduLink("http://www.jia.com/")});
}

TEST_F(CaijiBaiduTest, PromotedBlocks) {
  struct Case {
    const char* name;
    TBaiduAd ad;
    bool crawled;
    const char* titleUtf8;
  } cases[] = {
      {"double-quoted title",
       {"甲科技有限公司", "http://www.jia.com/", TQuote::Double},
       true,
       "甲科技有限公司"},
      {"single-quoted title",
       {"乙科技有限公司", "http://www.yi.com/", TQuote::Single},
       true,
       "乙科技有限公司"},
      {"title with quotes and full-width colon",
       {"丙：公司'", "http://www.bing.com/", TQuote::Single},
       true,
       "丙公司"},
      {"no data-renzheng", {"丁公司", "http://www.ding.com/", TQuote::Double, false}, false, ""},
      {"no ad link", {"戊公司", "http://www.wu.com/", TQuote::Double, true, false}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBaiduPage page;
    page.ads = {c.ad};
    SetPage(0, page);
    NextRun();
    std::size_t before = crawlers_.Made();
    RunPages<TCaijiBaidu>("k", 0, 1);
    ASSERT_TRUE(DrainWorkers());
    std::vector<TCrawlerOrder> orders = crawlers_.Orders();
    ASSERT_EQ(orders.size() - before, c.crawled ? 1u : 0u);
    if (c.crawled) {
      const TCrawlerOrder& o = orders.back();
      EXPECT_EQ(o.flavour, TCrawlerFlavour::Baidu);
      EXPECT_EQ(o.para.url, BaiduAdClick(c.ad.site));
      EXPECT_EQ(GbkToUtf8(o.para.title), c.titleUtf8);
      EXPECT_EQ(o.para.renZheng, 1);
      EXPECT_EQ(o.para.keyword, "k");
      EXPECT_EQ(o.para.window, window_.Handle());
    }
  }
}

TEST_F(CaijiBaiduTest, OrdinaryBlocks) {
  struct Case {
    const char* name;
    TBaiduResult result;
    const char* titleUtf8;
    int certified;
  } cases[] = {
      {"double-quoted data-tools", {"甲公司官网", "http://www.jia.com/"}, "甲公司官网", 0},
      {"single-quoted data-tools",
       {"乙公司官网", "http://www.yi.com/", TQuote::Single},
       "乙公司官网",
       0},
      {"certified label",
       {"丙公司官网", "http://www.bing.com/", TQuote::Double, true, "丙机电设备有限公司"},
       "丙机电设备有限公司",
       1},
      {"hint without a label",
       {"丁公司官网", "http://www.ding.com/", TQuote::Double, true, ""},
       "",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBaiduPage page;
    page.results = {c.result};
    SetPage(0, page);
    NextRun();
    std::size_t before = crawlers_.Made();
    RunPages<TCaijiBaidu>("k", 0, 1);
    ASSERT_TRUE(DrainWorkers());
    std::vector<TCrawlerOrder> orders = crawlers_.Orders();
    ASSERT_EQ(orders.size() - before, 1u);
    const TCrawlerOrder& o = orders.back();
    EXPECT_EQ(o.para.url, BaiduLink(c.result.site));
    EXPECT_EQ(GbkToUtf8(o.para.title), c.titleUtf8);
    EXPECT_EQ(o.para.renZheng, c.certified);
  }
}

TEST_F(CaijiBaiduTest, PromotedFirstThenOrdinaryEachAtTheSitePace) {
  TBaiduPage page;
  page.ads = {{"甲公司", "http://www.jia.com/"}, {"乙公司", "http://www.yi.com/"}};
  page.results = {{"丙公司", "http://www.bing.com/"}, {"丁公司", "http://www.ding.com/"}};
  SetPage(0, page);
  RunPages<TCaijiBaidu>("k", 0, 1);
  EXPECT_EQ(crawlers_.Urls(),
            (std::vector<std::string>{
                BaiduAdClick("http://www.jia.com/"), BaiduAdClick("http://www.yi.com/"),
                BaiduLink("http://www.bing.com/"), BaiduLink("http://www.ding.com/")}));
  std::vector<std::int64_t> passes = clock_.Passes(TGate::BaiduSite);
  ASSERT_EQ(passes.size(), 4u);
  for (std::size_t i = 1; i < passes.size(); ++i)
    EXPECT_GT(passes[i] - passes[i - 1], 1000);
  // One "entering" text per crawler, after "fetching" and "analysing".
  EXPECT_EQ(window_.Count(REPORT_PROGRESS, Utf8ToGbk("正在进入企业网站...")), 4);
  ASSERT_GE(window_.Reports().size(), 2u);
  EXPECT_EQ(window_.Reports()[0].text, Utf8ToGbk("正在获取搜索结果..."));
  EXPECT_EQ(window_.Reports()[1].text, Utf8ToGbk("正在分析采集结果..."));
  EXPECT_EQ(window_.Reports()[0].source, Utf8ToGbk("百度"));
}

TEST_F(CaijiBaiduTest, CrawlersGetTheCookieBaiduLastSaw) {
  // Ordinary blocks take the cookie sent with their own page; promoted blocks the one of the
  // page before (the first page is requested without a cookie).
  TBaiduPage page;
  page.ads = {{"甲公司", "http://www.jia.com/"}};
  page.results = {{"乙公司", "http://www.yi.com/"}};
  for (int i = 0; i < 3; ++i)
    SetPage(i, page);
  RunPages<TCaijiBaidu>("k", 0, 3);
  std::vector<std::string> cookies;
  for (const TCrawlerOrder& o : crawlers_.Orders())
    cookies.push_back(o.para.cookie);
  const std::string session = "BAIDUID=SIM1";
  EXPECT_EQ(cookies, (std::vector<std::string>{"", "", "", session, session, session}));
  std::vector<TEngineSites::TEntry> log = sites_.Log(kBaidu);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].cookie, "");
  EXPECT_EQ(log[1].cookie, session);
}

TEST_F(CaijiBaiduTest, AStopDuringASiteWaitEndsThePage) {
  TBaiduPage page;
  page.ads = {{"甲公司", "http://www.jia.com/"}};
  page.results = {{"乙公司", "http://www.yi.com/"}, {"丙公司", "http://www.bing.com/"}};
  SetPage(0, page);
  // Time stands still after the first crawler, so the next one waits at the site gate.
  crawlers_.onOrder = [this](const TCrawlerOrder&) { clock_.Freeze(true); };
  auto* collector = StartCollector<TCaijiBaidu>("k", 0);
  ASSERT_TRUE(Until([&] { return clock_.Sleeps(50) > 0; }));
  collector->Terminate();
  ASSERT_TRUE(Until([&] { return ended_; }));
  ASSERT_TRUE(DrainWorkers());
  EXPECT_EQ(crawlers_.Made(), 1u);
  EXPECT_TRUE(window_.Pages().empty());
  // The page had been analysed: the next start goes on with the page after it. The crawler
  // still running was asked to stop by the collector's end.
  EXPECT_EQ(endPage_, 1);
  EXPECT_EQ(crawlers_.Stopped(), 1);
}

TEST_F(CaijiBaiduTest, FailedRequestsAreRetriedThriceThenOnTheNextTurn) {
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.jia.com/"}};
  const std::string html = BaiduHtml(page);
  struct Case {
    const char* name;
    int failures;                   // answers that fail before the page is served
    std::size_t requestsFirstTurn;  // requests of the first turn
    std::vector<int> pages;         // page reports when stopped at the second fetch
  } cases[] = {
      {"two failures, third attempt served", 2, 3, {1}},
      {"every attempt fails", 1000, 3, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto served = std::make_shared<std::atomic<int>>(0);
    sites_.SetGenerator(kBaidu, [served, c, html](int) {
      if (served->fetch_add(1) < c.failures)
        return TPage::Error(500, std::string(3000, 'e'));
      TPage p;
      p.body = html;
      return p;
    });
    NextRun();
    std::size_t before = sites_.Log(kBaidu).size();
    auto* collector = StartCollector<TCaijiBaidu>("k", 0);
    auto fetches = std::make_shared<int>(0);
    StopWhen(collector, [fetches](const TReport& r) {
      return r.kind == REPORT_PROGRESS && r.text == Utf8ToGbk("正在获取搜索结果...") &&
             ++*fetches == 2;
    });
    ASSERT_TRUE(Until([&] { return ended_; }));
    ASSERT_TRUE(DrainWorkers());
    // The stop came with the second turn's progress text, before its request.
    EXPECT_EQ(sites_.Log(kBaidu).size() - before, c.requestsFirstTurn);
    EXPECT_EQ(window_.Pages(), c.pages);
  }
}

TEST_F(CaijiBaiduTest, TheLastPageIsKeptIn2Txt) {
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.jia.com/"}};
  SetPage(0, page);
  RunPages<TCaijiBaidu>("k", 0, 1);
  std::string kept = TTempFolder::Read(folder_.Path() / "2.txt");
  // The page's text as analysed: GBK, CR LF line ends, trimmed.
  EXPECT_NE(kept.find(Utf8ToGbk("甲公司")), std::string::npos);
  EXPECT_NE(kept.find("</title>"), std::string::npos);
  EXPECT_NE(kept.find("\r\n"), std::string::npos);
  EXPECT_EQ(kept.find("\n\n"), std::string::npos);
  EXPECT_EQ(kept.back(), '>');
  // Nothing is left aside.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    EXPECT_EQ(entry.path().filename(), "2.txt");
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(CaijiBaiduTest, AFolderThatCannotBeWrittenStopsNothing) {
  TCaijiBaidu::SetLastPageFolderForTesting((folder_.Path() / "missing" / "deeper").string());
  TBaiduPage page;
  page.results = {{"甲公司", "http://www.jia.com/"}};
  SetPage(0, page);
  RunPages<TCaijiBaidu>("k", 0, 1);
  EXPECT_EQ(crawlers_.Made(), 1u);
  EXPECT_EQ(window_.Pages(), std::vector<int>{1});
}

}  // namespace
}  // namespace vlmr::test
