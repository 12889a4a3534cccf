// Crawler runs against the simulated web: the reports the main window receives, in order, the
// record delivered and the requests made, for each flavour, for the ways a run ends early, for
// stop requests and for sites that misbehave.
#include "engine/CaijiPageCon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "engine/BeiAn.h"
#include "engine/SiteLinks.h"
#include "engine/records/EngineSettings.h"
#include "net/HttpClient.h"
#include "support/CompanySites.h"
#include "support/ConnectToWeb.h"
#include "support/FilingSite.h"
#include "support/RealProxies.h"
#include "support/SimulatedWeb.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using test::TCharset;
using test::TFault;
using test::TPage;
using Strings = std::vector<std::string>;
using Flavour = TCrawlerFlavour;

constexpr int kWait = 10000;  // upper bound only
constexpr int kLong = 60000;  // longer than any wait of a test: only a stop can end it sooner
constexpr int kShort = 200;   // a time-out meant to expire

const char* const kHost = "www.hq-dz.com.cn";
const char* const kHome = "http://www.hq-dz.com.cn/";
const char* const kContact = "http://www.hq-dz.com.cn/lianxi.html";
const char* const kCompany = "[company]";

using test::G;

const char* Name(Flavour f) {
  switch (f) {
    case Flavour::Baidu:
      return "baidu";
    case Flavour::So360:
      return "360";
    case Flavour::Sogou:
      return "sogou";
  }
  return "?";
}

std::string Entering(const std::string& url) {
  return "正在进入企业网站:" + url;
}
std::string Analysing(const std::string& url = kHome) {
  return "正在分析企业详细信息:" + url;
}
std::string Extracting(const std::string& url = kContact) {
  return "正在提取联系方式:" + url;
}
const std::string kPassStart = "开始获取企业详细信息...";
std::string Getting(const std::string& name) {
  return "正在获取[" + name + "]详细信息...";
}
const std::string kDone = "企业信息采集完成";

Strings Utf8Of(const TUniqueStringList& list) {
  Strings out;
  for (const auto& item : list) {
    out.push_back(GbkToUtf8(item));
  }
  return out;
}

test::TContactDetails Details() {
  test::TContactDetails d;
  d.landlines = {"020-87654321"};
  d.mobiles = {"13812345678"};
  d.emails = {"sales@hq-dz.com.cn"};
  d.qqs = {"800012345"};
  d.address = "广州市天河区天河路1号";
  return d;
}

test::TCompanySite Site(TCharset charset = TCharset::Utf8,
                        std::string anchor = test::Anchor("/lianxi.html", "联系我们"),
                        const test::TContactDetails& details = Details()) {
  return test::TCompanySite::Make(kHost, "华强电子-首页", std::move(anchor), "/lianxi.html",
                                  details, charset);
}

const std::string kSponsor = "广州华强电子有限公司";

class CrawlerTest : public ::testing::Test {
 protected:
  CrawlerTest() {
    TCrawlerTimeouts t;
    t.firstRequestMs = kWait;
    t.retryPauseMs = 1;
    t.lookupMs = kWait;
    t.pageFetchMs = kWait;
    SetTimeouts(t);
    window =
        TMessageTarget::Create(nullptr, [this](std::uint32_t msg, const TMessagePayload& payload) {
          const TCollectReport* report = AsCollectReport(msg, payload);
          ASSERT_NE(report, nullptr);
          EXPECT_TRUE(IsUiThread());
          std::string entry;
          if (const auto* status = std::get_if<TStatusReport>(&report->Body())) {
            entry = GbkToUtf8(*status->text);
          } else {
            const auto* company = std::get_if<TCompanyReport>(&report->Body());
            ASSERT_NE(company, nullptr);
            companies.push_back(*company->company);
            entry = kCompany;
          }
          reports.push_back(entry);
          if (onReport) {
            onReport(entry);
          }
        });
  }

  ~CrawlerTest() override {
    // Every crawler has freed itself before the web and the dispatcher go.
    EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [this] { ui->ProcessEvents(); }));
    ResetCrawlerTimeoutsForTesting();
  }

  static void SetTimeouts(const TCrawlerTimeouts& t) { SetCrawlerTimeoutsForTesting(t); }
  static void SetAllTimeouts(int ms) {
    TCrawlerTimeouts t;
    t.firstRequestMs = t.lookupMs = t.pageFetchMs = ms;
    t.retryPauseMs = 1;
    SetTimeouts(t);
  }

  TCaijiPageCon* New(Flavour flavour, const std::string& url, const std::string& titleUtf8 = "",
                     std::uint8_t renZheng = 0) {
    if (flavour == Flavour::Baidu) {
      TPagePara para;
      para.window = window;
      para.cookie = "BAIDUID=5F3A";
      para.url = url;
      para.title = G(titleUtf8);
      para.renZheng = renZheng;
      para.keyword = G("广州 电子");
      return new TCaijiPageCon(para);
    }
    return new TCaijiPageCon(flavour, window, G("广州 电子"), url);
  }

  void Start(TCaijiPageCon* c) {
    ended = false;
    crawler = c;
    c->SetOnTerminate([this](TWorkerThread&) {
      EXPECT_TRUE(IsUiThread());
      ended = true;
      crawler = nullptr;
    });
    c->Start();
  }
  bool RunToEnd() {
    return ui->ProcessUntil([this] { return ended; }, kWait);
  }
  bool Run(TCaijiPageCon* c) {
    Start(c);
    return RunToEnd();
  }

  // Targets requested on a host, in order.
  Strings TargetsOn(std::string_view host) const {
    Strings out;
    for (const auto& r : web.RequestsTo(host)) {
      out.push_back(r.target);
    }
    return out;
  }

  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
  TScopedQueueDispatcher ui;
  test::TFilingSite filing{web, HostOfUrl(IcpSiteRoot)};
  TWindowHandle window;

  Strings reports;
  std::vector<TComPanyInfo> companies;
  std::function<void(const std::string&)> onReport;  // in the handler, while the crawler waits
  TCaijiPageCon* crawler = nullptr;                  // valid until its end notification
  bool ended = false;
};

TEST_F(CrawlerTest, BaiduRunReportsEachStepAndTheCompany) {
  for (TCharset charset : {TCharset::Utf8, TCharset::Gbk}) {
    SCOPED_TRACE(test::CharsetName(charset));
    web.ClearRequests();
    reports.clear();
    companies.clear();
    test::AddCompanySite(web, Site(charset));
    filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, "华强电子商城网站"));
    const std::string url = test::AddBaiduAdClick(web, "K1", kHome);

    ASSERT_TRUE(Run(New(Flavour::Baidu, url, "华强电子")));

    EXPECT_EQ(reports, (Strings{Entering(url), Analysing(), Extracting(), kPassStart,
                                Getting(kSponsor), kCompany, kDone}));
    ASSERT_EQ(companies.size(), 1u);
    const TComPanyInfo& c = companies[0];
    EXPECT_EQ(GbkToUtf8(c.RawComName()), kSponsor);
    EXPECT_EQ(c.keyword, G("广州 电子"));
    EXPECT_EQ(c.source, G("百度"));
    EXPECT_EQ(c.isPay, 1);
    EXPECT_EQ(c.renZheng, 0);
    EXPECT_EQ(c.webUrl, kHome);
    EXPECT_EQ(Utf8Of(c.tels), Strings{"020-87654321"});
    EXPECT_EQ(Utf8Of(c.mobiles), Strings{"13812345678"});
    EXPECT_EQ(Utf8Of(c.emails), Strings{"sales@hq-dz.com.cn"});
    EXPECT_EQ(Utf8Of(c.qqs), Strings{"800012345"});
    EXPECT_EQ(GbkToUtf8(c.address), "广州市天河区天河路1号");
    EXPECT_TRUE(c.listId.empty());

    // The first request carries the collector's cookie and the engine's user agent; the
    // lookup names the registered domain; the contact page comes with the plain client.
    auto clicks = web.RequestsTo(BaiduSearchHost);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_NE(clicks[0].Header("Cookie").find("BAIDUID=5F3A"), std::string::npos);
    EXPECT_EQ(clicks[0].Header("User-Agent"), kEngineUserAgent);
    EXPECT_EQ(TargetsOn(filing.Host()), Strings{"/yuming/hq-dz.com.cn/"});
    auto site = web.RequestsTo(kHost);
    ASSERT_EQ(site.size(), 2u);
    EXPECT_EQ(site[0].target, "/");
    EXPECT_EQ(site[1].target, "/lianxi.html");
    EXPECT_EQ(site[1].Header("User-Agent"), kPlainUserAgent);
  }
}

// With a proxy set, every request of the run goes through it: the engine's click address, the
// filing lookup and the company's pages; without one, none does.
TEST_F(CrawlerTest, EveryRequestGoesThroughItsProxy) {
  if (!test::TRealProxy::Installed(test::TProxyServer::Microsocks))
    GTEST_SKIP() << test::TRealProxy::MissingText(test::TProxyServer::Microsocks);
  test::TRealProxy socks(test::TProxyServer::Microsocks, "127.0.0.31", "bob", "s:e@cret");
  ASSERT_TRUE(socks.Started());
  test::AddCompanySite(web, Site());
  filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, "华强电子商城网站"));
  const std::string url = test::AddBaiduAdClick(web, "K1", kHome);
  for (bool proxied : {true, false}) {
    SCOPED_TRACE(proxied ? "through the proxy" : "direct");
    web.ClearRequests();
    companies.clear();
    TCaijiPageCon* c = New(Flavour::Baidu, url, "华强电子");
    c->SetProxy(proxied ? std::optional<TProxy>(socks.AsProxy(TProxyKind::Socks5)) : std::nullopt);
    ASSERT_TRUE(Run(c));
    EXPECT_EQ(companies.size(), 1u);
    std::vector<test::TRequest> seen = web.Requests();
    ASSERT_EQ(seen.size(), 4u);  // click, lookup, home page, contact page
    for (const test::TRequest& r : seen)
      EXPECT_EQ(r.peer, proxied ? "127.0.0.31" : "127.0.0.1") << r.host << r.target;
  }
}

TEST_F(CrawlerTest, CertifiedTitleNamesTheCompanyWithoutALookup) {
  test::AddCompanySite(web, Site());
  filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, ""));
  const std::string url = test::AddBaiduResultLink(web, "R1", kHome);

  ASSERT_TRUE(Run(New(Flavour::Baidu, url, "联系我们-深圳华强电子", 1)));

  EXPECT_TRUE(web.RequestsTo(filing.Host()).empty());
  ASSERT_EQ(companies.size(), 1u);
  EXPECT_EQ(GbkToUtf8(companies[0].RawComName()), "深圳华强电子");
  EXPECT_EQ(companies[0].renZheng, 1);
  EXPECT_EQ(companies[0].isPay, 0);
}

// The flavours on one site without a filing: the label, the promoted mark taken from the start
// address, the name step and the final status.
TEST_F(CrawlerTest, EachFlavourLabelsMarksAndNamesItsRecord) {
  test::TCompanySite site = Site();
  site.home.titles = {"首页_深圳华强电子有限公司-欢迎您"};
  site.contact.titles = site.home.titles;
  test::AddCompanySite(web, site);

  struct TCase {
    Flavour flavour;
    std::string url;
    const char* source;
    int isPay;
    const char* name;
  };
  const char* kTitleName = "首页深圳华强电子有限公司欢迎您";
  const char* kFoundName = "深圳华强电子有限公司";
  const TCase cases[] = {
      {Flavour::Baidu, test::AddBaiduAdClick(web, "A", kHome), "百度", 1, kTitleName},
      {Flavour::Baidu, test::AddBaiduResultLink(web, "B", kHome), "百度", 0, kTitleName},
      {Flavour::So360, test::Add360AdClick(web, "C", kHome), "360", 1, kFoundName},
      {Flavour::So360, kHome, "360", 0, kFoundName},
      {Flavour::Sogou, test::AddSogouAdClick(web, "D", kHome), "搜狗", 1, kFoundName},
      {Flavour::Sogou, kHome, "搜狗", 0, kFoundName},
      // Another engine's ad marker is no mark.
      {Flavour::Sogou, test::Add360AdClick(web, "E", kHome), "搜狗", 0, kFoundName},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.flavour)) + " " + c.url);
    reports.clear();
    companies.clear();
    ASSERT_TRUE(Run(New(c.flavour, c.url)));
    Strings expected = {Entering(c.url), Analysing(),     Extracting(),
                        kPassStart,      Getting(c.name), kCompany};
    if (c.flavour == Flavour::Baidu) {
      expected.push_back(kDone);
    }
    EXPECT_EQ(reports, expected);
    ASSERT_EQ(companies.size(), 1u);
    EXPECT_EQ(companies[0].source, G(c.source));
    EXPECT_EQ(companies[0].isPay, c.isPay);
    EXPECT_EQ(companies[0].renZheng, 0);
    EXPECT_EQ(GbkToUtf8(companies[0].RawComName()), c.name);
  }
}

TEST_F(CrawlerTest, LinkThatStaysOnAnEngineEndsAfterTheFirstStatus) {
  web.AddHost(BaiduSearchHost, TPage::Html("<html><title>百度一下</title>联系我们</html>"));
  web.AddHost(SogouSearchHost, TPage::Html("<html>搜狗</html>"));
  web.AddHost(Search360Host, TPage::Html("<html>360</html>"));
  const std::pair<Flavour, std::string> cases[] = {
      {Flavour::Baidu, test::AddBaiduAdClick(web, "X", "http://www.baidu.com/s?wd=x")},
      {Flavour::So360, test::Add360AdClick(web, "X", "http://www.so.com/s?q=x")},
      {Flavour::Sogou, test::AddRedirect(web, "jump.example.cn", "/go", "http://WWW.SOGOU.COM/")},
  };
  for (const auto& [flavour, url] : cases) {
    SCOPED_TRACE(Name(flavour));
    reports.clear();
    web.ClearRequests();
    ASSERT_TRUE(Run(New(flavour, url)));
    EXPECT_EQ(reports, Strings{Entering(url)});
    EXPECT_TRUE(web.RequestsTo(filing.Host()).empty());
  }
}

// A contact page with a landline only, a home page with a mobile: the 360 and Sogou flavours
// read the home page too and report the record again with what it added; Baidu stops at the
// landline.
TEST_F(CrawlerTest, LandlineOnlyContactPageMeansASecondReportFor360AndSogou) {
  test::TContactDetails landlineOnly;
  landlineOnly.landlines = {"020-87654321"};
  test::TCompanySite site =
      Site(TCharset::Gbk, test::Anchor("/lianxi.html", "联系我们"), landlineOnly);
  site.home.body += "<p>销售热线 13912345678</p>";
  test::AddCompanySite(web, site);
  filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, ""));

  for (Flavour flavour : {Flavour::Baidu, Flavour::So360, Flavour::Sogou}) {
    SCOPED_TRACE(Name(flavour));
    reports.clear();
    companies.clear();
    web.ClearRequests();
    ASSERT_TRUE(Run(New(flavour, kHome)));
    if (flavour == Flavour::Baidu) {
      EXPECT_EQ(reports, (Strings{Entering(kHome), Analysing(), Extracting(), kPassStart,
                                  Getting(kSponsor), kCompany, kDone}));
      ASSERT_EQ(companies.size(), 1u);
      EXPECT_EQ(TargetsOn(kHost), (Strings{"/", "/lianxi.html"}));
      continue;
    }
    EXPECT_EQ(reports,
              (Strings{Entering(kHome), Analysing(), Extracting(), kPassStart, Getting(kSponsor),
                       kCompany, kPassStart, Getting(kSponsor), kCompany}));
    ASSERT_EQ(companies.size(), 2u);
    EXPECT_EQ(Utf8Of(companies[0].tels), Strings{"020-87654321"});
    EXPECT_TRUE(companies[0].mobiles.empty());
    EXPECT_EQ(Utf8Of(companies[1].tels), Strings{"020-87654321"});
    EXPECT_EQ(Utf8Of(companies[1].mobiles), Strings{"13912345678"});
    EXPECT_EQ(TargetsOn(kHost), (Strings{"/", "/lianxi.html", "/"}));
  }
}

TEST_F(CrawlerTest, HomePageWithoutContactLinkIsReadOnce) {
  test::TCompanySite site = Site(TCharset::Utf8, "");
  site.home.body += "<p>电话：0755-83216688</p>";
  test::AddCompanySite(web, site);

  ASSERT_TRUE(Run(New(Flavour::Baidu, kHome)));

  EXPECT_EQ(reports, (Strings{Entering(kHome), Analysing(), kPassStart, Getting("华强电子首页"),
                              kCompany, kDone}));
  EXPECT_EQ(TargetsOn(kHost), (Strings{"/", "/"}));
}

// A contact page without a number reports nothing, but the home-page pass that follows still
// reads the site's own address and reports a whole record: the name, address, label and mark
// the run had found before the contact page. Every flavour reads the home page then.
TEST_F(CrawlerTest, ContactPageWithoutNumbersStillReadsTheHomePage) {
  test::TContactDetails noNumbers;
  noNumbers.emails = {"sales@hq-dz.com.cn"};
  noNumbers.qqs = {"800012345"};
  test::TCompanySite site =
      Site(TCharset::Gbk, test::Anchor("/lianxi.html", "联系我们"), noNumbers);
  site.home.body += "<p>手机：199 1234 5678</p>";
  test::AddCompanySite(web, site);
  filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, ""));

  struct TCase {
    Flavour flavour;
    std::string url;
    const char* source;
  };
  const TCase cases[] = {
      {Flavour::Baidu, test::AddBaiduAdClick(web, "E1", kHome), "百度"},
      {Flavour::So360, test::Add360AdClick(web, "E2", kHome), "360"},
      {Flavour::Sogou, test::AddSogouAdClick(web, "E3", kHome), "搜狗"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Name(c.flavour));
    reports.clear();
    companies.clear();
    web.ClearRequests();
    ASSERT_TRUE(Run(New(c.flavour, c.url)));

    Strings expected = {Entering(c.url),   Analysing(), Extracting(),      kPassStart,
                        Getting(kSponsor), kPassStart,  Getting(kSponsor), kCompany};
    if (c.flavour == Flavour::Baidu) {
      expected.push_back(kDone);
    }
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(TargetsOn(kHost), (Strings{"/", "/lianxi.html", "/"}));
    ASSERT_EQ(companies.size(), 1u);
    const TComPanyInfo& company = companies[0];
    EXPECT_EQ(GbkToUtf8(company.RawComName()), kSponsor);
    EXPECT_EQ(company.webUrl, kHome);
    EXPECT_EQ(company.source, G(c.source));
    EXPECT_EQ(company.isPay, 1);
    EXPECT_EQ(Utf8Of(company.mobiles), Strings{"19912345678"});
    EXPECT_TRUE(company.tels.empty());
    // The contact page's QQ number stays; its e-mail went with the page that had no number.
    EXPECT_EQ(Utf8Of(company.qqs), Strings{"800012345"});
    EXPECT_TRUE(company.emails.empty());
  }
}

// A site whose only number is a mobile of a segment the old plan did not have.
TEST_F(CrawlerTest, SiteWhoseOnlyMobileIsOfTodaysPlanIsReported) {
  test::TContactDetails details;
  details.mobiles = {"199-2345-6789"};
  details.address = "广州市天河区科韵路10号";
  for (TCharset charset : {TCharset::Utf8, TCharset::Gbk}) {
    SCOPED_TRACE(test::CharsetName(charset));
    companies.clear();
    web.RemoveHost(kHost);
    test::AddCompanySite(web, Site(charset, test::Anchor("/lianxi.html", "联系我们"), details));
    ASSERT_TRUE(Run(New(Flavour::So360, kHome)));
    ASSERT_FALSE(companies.empty());
    EXPECT_EQ(Utf8Of(companies.back().mobiles), Strings{"19923456789"});
    EXPECT_EQ(GbkToUtf8(companies.back().address), "广州市天河区科韵路10号");
  }
}

TEST_F(CrawlerTest, ContactLinksInEveryWrittenForm) {
  struct TCase {
    std::string anchors;  // on the home page
    std::string target;   // the contact page requested; empty: none
    std::string address;  // in the status text
  };
  const TCase cases[] = {
      {test::Anchor("/lianxi.html", "联系我们"), "/lianxi.html", kContact},
      {test::Anchor("../lianxi.html", "联系我们"), "/lianxi.html", kContact},
      {test::Anchor("lianxi.html", "联系我们", '\''), "/lianxi.html", kContact},
      {test::Anchor("/About/LianXi.asp?ID=2", "联系方式", 0), "/About/LianXi.asp?ID=2",
       "http://www.hq-dz.com.cn/About/LianXi.asp?ID=2"},
      {"<A class=\"nav\" HREF=\"/Contact.html\">\r\n 关于我们\r\n</A>", "/Contact.html",
       "http://www.hq-dz.com.cn/Contact.html"},
      {test::Anchor("http://www.hq-dz.com.cn/Lx.html", "联系"), "/Lx.html",
       "http://www.hq-dz.com.cn/Lx.html"},
      {test::Anchor("//www.hq-dz.com.cn/lx.htm", "联系我们"), "/lx.htm",
       "http://www.hq-dz.com.cn/lx.htm"},
      // "联系我们" goes before "关于我们", wherever they stand on the page.
      {test::Anchor("/about.html", "关于我们") + test::Anchor("/lianxi.html", "联系我们"),
       "/lianxi.html", kContact},
      // A link to the root alone gives no address: straight to the home-page pass.
      {test::Anchor("/", "联系我们"), "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.anchors);
    web.ClearRequests();
    reports.clear();
    companies.clear();
    test::TCompanySite site = Site(TCharset::Utf8, c.anchors);
    site.contactPath = c.target.empty() ? "" : c.target.substr(0, c.target.find('?'));
    site.home.body += "<p>电话：0755-83216688</p>";
    web.RemoveHost(kHost);
    test::AddCompanySite(web, site);

    ASSERT_TRUE(Run(New(Flavour::Baidu, kHome)));

    if (c.target.empty()) {
      EXPECT_EQ(reports, (Strings{Entering(kHome), Analysing(), kPassStart, Getting("华强电子首页"),
                                  kCompany, kDone}));
      EXPECT_EQ(TargetsOn(kHost), (Strings{"/", "/"}));
    } else {
      ASSERT_GE(reports.size(), 3u);
      EXPECT_EQ(reports[2], Extracting(c.address));
      EXPECT_EQ(TargetsOn(kHost), (Strings{"/", c.target}));
      ASSERT_FALSE(companies.empty());
      EXPECT_EQ(Utf8Of(companies.back().mobiles), Strings{"13812345678"});
    }
  }
}

// Sogou reads only a link whose whole text is "联系我们"; 360 has the four patterns.
TEST_F(CrawlerTest, SogouTakesOnlyTheExactContactLink) {
  struct TCase {
    Flavour flavour;
    std::string anchor;
    bool contactPageRead;
  };
  const TCase cases[] = {
      {Flavour::Sogou, test::Anchor("/lianxi.html", "联系我们"), true},
      {Flavour::Sogou, test::Anchor("/lianxi.html", "联系方式"), false},
      {Flavour::Sogou, test::Anchor("/lianxi.html", " 联系我们"), false},
      {Flavour::So360, test::Anchor("/lianxi.html", "联系方式"), true},
      {Flavour::So360, test::Anchor("/lianxi.html", " 联系我们"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.flavour)) + " " + c.anchor);
    web.ClearRequests();
    web.RemoveHost(kHost);
    test::AddCompanySite(web, Site(TCharset::Utf8, c.anchor));
    ASSERT_TRUE(Run(New(c.flavour, kHome)));
    Strings expected = {"/", c.contactPageRead ? "/lianxi.html" : "/"};
    EXPECT_EQ(TargetsOn(kHost), expected);
  }
}

// Whatever goes wrong with the filing lookup, the company is still reported, named by the
// page title.
TEST_F(CrawlerTest, FailedLookupKeepsTheCompany) {
  struct TCase {
    const char* what;
    std::function<void()> arrange;
  };
  const TCase cases[] = {
      {"site unreachable", [this] { web.RemoveHost(filing.Host()); }},
      {"error status",
       [this] { filing.AddAnswer("hq-dz.com.cn", TPage::Error(500, "<html>busy</html>")); }},
      {"stalled past its time-out",
       [this] {
         filing.AddAnswer("hq-dz.com.cn", TPage::Faulty(TFault::StallBeforeHeaders));
         TCrawlerTimeouts t = CrawlerTimeouts();
         t.lookupMs = kShort;
         SetTimeouts(t);
       }},
  };
  test::AddCompanySite(web, Site());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reports.clear();
    companies.clear();
    c.arrange();
    ASSERT_TRUE(Run(New(Flavour::So360, kHome)));
    EXPECT_EQ(reports, (Strings{Entering(kHome), Analysing(), Extracting(), kPassStart,
                                Getting("华强电子首页"), kCompany}));
    ASSERT_EQ(companies.size(), 1u);
    EXPECT_EQ(Utf8Of(companies[0].mobiles), Strings{"13812345678"});
  }
  web.ReleaseStalls();
}

TEST_F(CrawlerTest, FirstRequestFailuresAndTheirRetries) {
  struct TCase {
    Flavour flavour;
    TPage answer;
    std::size_t requests;
  };
  const TCase cases[] = {
      {Flavour::Baidu, TPage::Faulty(TFault::Reset), 4},
      {Flavour::Baidu, TPage::Error(404, "<html>联系我们 13812345678</html>"), 4},
      {Flavour::Baidu, TPage::Error(500, "<html>error</html>"), 4},
      {Flavour::So360, TPage::Faulty(TFault::Reset), 1},
      {Flavour::Sogou, TPage::Error(503, "<html>error</html>"), 1},
      // An empty answer ends the run after one request in every flavour.
      {Flavour::Baidu, TPage::NoContent(), 1},
      {Flavour::So360, TPage::Bytes(""), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.flavour)) + " " + std::to_string(c.answer.status));
    reports.clear();
    web.ClearRequests();
    web.AddHost("down.example.cn", c.answer);
    const std::string url = "http://down.example.cn/";
    ASSERT_TRUE(Run(New(c.flavour, url)));
    EXPECT_EQ(reports, Strings{Entering(url)});
    EXPECT_EQ(web.RequestsTo("down.example.cn").size(), c.requests);
    EXPECT_TRUE(web.RequestsTo(filing.Host()).empty());
  }
}

TEST_F(CrawlerTest, BaiduGoesOnWhenALaterAttemptSucceeds) {
  const std::string page = test::PageHtml(Site().home, TCharset::Utf8);
  auto calls = std::make_shared<std::atomic<int>>(0);
  web.AddHost("flaky.example.cn", [calls, page](const test::TRequest& r) {
    if (r.path == "/lianxi.html") {
      return TPage::Html("电话：020-87654321");
    }
    return ++*calls <= 3 ? TPage::Faulty(TFault::Reset) : TPage::Html(page);
  });
  ASSERT_TRUE(Run(New(Flavour::Baidu, "http://flaky.example.cn/")));
  EXPECT_EQ(calls->load(), 4);
  ASSERT_EQ(companies.size(), 1u);
  EXPECT_EQ(companies[0].webUrl, "http://flaky.example.cn/");
}

TEST_F(CrawlerTest, RedirectLoopAndStallOnTheFirstRequestEndTheRun) {
  web.AddPage("loop.example.cn", "/a", TPage::Redirect("http://loop.example.cn/b"));
  web.AddPage("loop.example.cn", "/b", TPage::Redirect("http://loop.example.cn/a"));
  web.AddHost("slow.example.cn", TPage::Faulty(TFault::StallBeforeHeaders));
  TCrawlerTimeouts t = CrawlerTimeouts();
  t.firstRequestMs = kShort;
  SetTimeouts(t);
  for (const char* url : {"http://loop.example.cn/a", "http://slow.example.cn/"}) {
    SCOPED_TRACE(url);
    reports.clear();
    ASSERT_TRUE(Run(New(Flavour::So360, url)));
    EXPECT_EQ(reports, Strings{Entering(url)});
  }
}

// The contact page misbehaves. A failed fetch ends that pass and the home page is read; an
// answer that arrives is the page, whatever its status.
TEST_F(CrawlerTest, HostileContactPagesEndCleanly) {
  const std::string tenMegabytes(10 * 1024 * 1024, 'x');
  struct TCase {
    const char* what;
    TPage contact;
    Strings mobiles;  // of the record reported; none: nothing reported
    bool stalls = false;
  };
  const Strings kFromHome = {"13912345678"};
  const Strings kFromContact = {"13812345678"};
  const TCase cases[] = {
      {"stall before headers", TPage::Faulty(TFault::StallBeforeHeaders), kFromHome, true},
      {"stall in body", TPage::Faulty(TFault::StallInBody, "手机：13812345678 ...", 4), kFromHome,
       true},
      {"reset", TPage::Faulty(TFault::Reset), kFromHome},
      {"endless body", TPage::Faulty(TFault::EndlessBody), kFromHome},
      {"no content", TPage::NoContent(), kFromHome},
      // A page without numbers leaves the home page to be read.
      {"404 with a body", TPage::Error(404, "<html>页面不存在</html>"), kFromHome},
      {"500 with numbers", TPage::Error(500, "<html>手机：13812345678</html>"), kFromContact},
      {"redirect to itself", TPage::Redirect(kContact), kFromHome},
      {"invalid UTF-8", TPage::Bytes("\xFF\xFE" + G("<p>手机：13812345678</p>") + "\xC3"),
       kFromContact},
      // A huge page is read whole (it holds no pattern's literal, so no pattern runs on it);
      // a number at the end of a large one is found.
      {"10 MB", TPage::Bytes(tenMegabytes), kFromHome},
      {"1 MB", TPage::Bytes(std::string(1024 * 1024, 'x') + "13812345678"), kFromContact},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // A stalled page ends by the fetch's time-out, made short here.
    TCrawlerTimeouts t = CrawlerTimeouts();
    t.pageFetchMs = c.stalls ? kShort : kWait;
    SetTimeouts(t);
    reports.clear();
    companies.clear();
    web.RemoveHost(kHost);
    test::TCompanySite site = Site();
    site.contactPath.clear();
    site.home.body += "<p>手机：13912345678</p>";
    test::AddCompanySite(web, site);
    web.AddPage(kHost, "/lianxi.html", c.contact);

    ASSERT_TRUE(Run(New(Flavour::Baidu, kHome)));

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), kDone);
    if (c.mobiles.empty()) {
      EXPECT_TRUE(companies.empty());
    } else {
      ASSERT_EQ(companies.size(), 1u);
      EXPECT_EQ(Utf8Of(companies[0].mobiles), c.mobiles);
    }
    web.ReleaseStalls();
  }
}

TEST_F(CrawlerTest, HostileHomePagesEndCleanly) {
  const TPage cases[] = {
      TPage::Bytes("\xFF\xFE\x81" + G("<a href=\"/lianxi.html\">联系我们</a>")),
      TPage::Bytes(std::string(1024 * 1024, '<') + "<a href=/lianxi.html>联系我们"),
      TPage::Html("<a href=\"/lianxi.html\">联系我们\r\n<a href=\"x\">" + std::string(100000, 'a') +
                  "\r\n"),
  };
  web.AddPage(kHost, "/lianxi.html", TPage::Html("手机：13812345678"));
  for (const auto& home : cases) {
    reports.clear();
    companies.clear();
    web.AddPage(kHost, "/", home);
    ASSERT_TRUE(Run(New(Flavour::Baidu, kHome)));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), kDone);
  }
}

// A stop request at each checkpoint: nothing more is reported and nothing more is fetched.
TEST_F(CrawlerTest, StopAtEachCheckpoint) {
  test::AddCompanySite(web, Site());
  filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, ""));
  struct TCase {
    std::string stopAt;  // the report on which the stop comes
    Strings siteTargets;
  };
  const TCase cases[] = {
      {Entering(kHome), {}},
      {Analysing(), {"/"}},
      {Extracting(), {"/"}},
      {kPassStart, {"/"}},
      {Getting(kSponsor), {"/", "/lianxi.html"}},
      {kCompany, {"/", "/lianxi.html"}},
  };
  const Strings kAll = {Entering(kHome), Analysing(),       Extracting(),
                        kPassStart,      Getting(kSponsor), kCompany};
  for (Flavour flavour : {Flavour::Baidu, Flavour::So360, Flavour::Sogou}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(Name(flavour)) + " stop at " + c.stopAt);
      reports.clear();
      web.ClearRequests();
      onReport = [&](const std::string& entry) {
        if (entry == c.stopAt) {
          crawler->Terminate();
        }
      };
      ASSERT_TRUE(Run(New(flavour, kHome)));
      auto last = std::find(kAll.begin(), kAll.end(), c.stopAt);
      EXPECT_EQ(reports, Strings(kAll.begin(), last + 1));
      EXPECT_EQ(TargetsOn(kHost), c.siteTargets);
    }
  }
}

// A stop while a transfer hangs aborts it: the time-outs are far longer than the wait.
TEST_F(CrawlerTest, StopAbortsATransferInFlight) {
  SetAllTimeouts(kLong);
  test::TCompanySite site = Site();
  struct TCase {
    const char* what;
    std::function<void()> arrange;
    std::size_t reportsBefore;
  };
  const TCase cases[] = {
      {"first request", [&] { web.AddHost(kHost, TPage::Faulty(TFault::StallBeforeHeaders)); }, 1},
      {"filing lookup",
       [&] {
         test::AddCompanySite(web, site);
         filing.AddAnswer("hq-dz.com.cn", TPage::Faulty(TFault::StallBeforeHeaders));
       },
       1},
      {"contact page",
       [&] {
         test::AddCompanySite(web, site);
         filing.AddFiling("hq-dz.com.cn", test::FilingRows(kSponsor, ""));
         web.AddPage(kHost, "/lianxi.html",
                     TPage::Faulty(TFault::StallInBody, "手机：13812345678 ...", 4));
       },
       4},
  };
  for (Flavour flavour : {Flavour::Baidu, Flavour::So360}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(Name(flavour)) + " " + c.what);
      reports.clear();
      companies.clear();
      web.RemoveHost(kHost);
      c.arrange();
      Start(New(flavour, kHome));
      ASSERT_TRUE(ui->ProcessUntil([&] { return web.Stalled() == 1; }, kWait));
      ASSERT_FALSE(ended);
      crawler->Terminate();
      ASSERT_TRUE(RunToEnd());
      EXPECT_EQ(reports.size(), c.reportsBefore);
      EXPECT_TRUE(companies.empty());
      web.ReleaseStalls();
      ASSERT_TRUE(ui->ProcessUntil([&] { return web.Stalled() == 0; }, kWait));
    }
  }
}

}  // namespace
}  // namespace vlmr

namespace vlmr {
namespace {

// Whole sites written the way sites are written today, each read by the 360 crawler (which
// names the company from the page titles): the record it reports, and the pages it asked for.
TEST_F(CrawlerTest, SitesAsWrittenToday) {
  const std::string big5Home =
      "<html><head><title>臺灣聯絡電子有限公司</title></head><body>"
      "<a href=\"/contact.asp\">聯絡我們</a></body></html>";
  const std::string big5Contact =
      "<html><head><title>臺灣聯絡電子有限公司</title></head><body>"
      "<p>手機：0912 345 "
      "678</p><p>電話：+86-755-8321-6688</p><p>手机：13812345678</p></body></html>";
  const std::string contactPage =
      "<html><head><title>华强电子有限公司</title></head><body><p>电话：020-87654321</p>"
      "<p>手机：<span>138</span><span>1234</span>5678</p>"
      "<div class=\"footer\">技术支持：某某网络 13987654321</div></body></html>";
  const std::string home =
      "<html><head><title>华强电子有限公司</title></head><body>"
      "<a href=\"/about.html\">关于</a> <a href=\"/contact.html\"><span>CONTACT US</span></a>"
      "</body></html>";
  struct TCase {
    const char* what;
    std::vector<std::pair<std::string, TPage>> pages;  // host + target -> page
    std::string name;
    Strings tels, mobiles;
    Strings targets;  // requested on kHost, in order
  };
  auto on = [](std::string target, TPage page) { return std::pair{std::move(target), page}; };
  auto utf8 = [](const std::string& html) {
    return TPage::Bytes(html, "text/html; charset=utf-8");
  };
  const TCase cases[] = {
      {"Big5, named only by the header",
       {on("/", TPage::Bytes(big5Home, "text/html")),
        on("/contact.asp",
           TPage::Bytes(test::EncodeTextIn(big5Contact, "BIG5"), "text/html; charset=big5"))},
       "臺灣聯絡電子有限公司",
       {"0755-83216688"},
       {"13812345678"},
       {"/", "/contact.asp"}},
      {"meta refresh to the real home page",
       {on("/", utf8("<meta http-equiv=\"refresh\" content=\"0;url=/cn/index.html\">")),
        on("/cn/index.html", utf8(home)), on("/contact.html", utf8(contactPage))},
       "华强电子有限公司",
       {"020-87654321"},
       {"13812345678"},
       {"/", "/cn/index.html", "/contact.html"}},
      {"script redirect",
       {on("/", utf8("<html><script>window.location.href = \"/cn/\";</script></html>")),
        on("/cn/", utf8(home)), on("/contact.html", utf8(contactPage))},
       "华强电子有限公司",
       {"020-87654321"},
       {"13812345678"},
       {"/", "/cn/", "/contact.html"}},
      {"redirect to another scheme is not followed",
       {on("/", utf8("<meta http-equiv=\"refresh\" content=\"0;url=ftp://www.hq-dz.com.cn/\">"
                     "<title>华强电子有限公司</title>手机：13812345678"))},
       "华强电子有限公司",
       {},
       {"13812345678"},
       {"/", "/"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    web.RemoveHost(kHost);
    web.ClearRequests();
    companies.clear();
    for (const auto& [target, page] : c.pages) {
      web.AddPage(kHost, target, page);
    }
    ASSERT_TRUE(Run(New(Flavour::So360, kHome)));
    ASSERT_FALSE(companies.empty());
    const TComPanyInfo& record = companies.back();
    EXPECT_EQ(GbkToUtf8(record.RawComName()), c.name);
    EXPECT_EQ(Utf8Of(record.tels), c.tels);
    EXPECT_EQ(Utf8Of(record.mobiles), c.mobiles);
    EXPECT_EQ(TargetsOn(kHost), c.targets);
  }
}

}  // namespace
}  // namespace vlmr

namespace vlmr {
namespace {

// A directory site's entry for one company: the listed company's name and numbers from the
// entry, never the directory's own (its filing name, its contact page, its footer).
TEST_F(CrawlerTest, DirectoryEntryGivesTheListedCompany) {
  filing.AddFiling("hq-dz.com.cn", test::FilingRows("黄页信息技术有限公司", "企业黄页"));
  const std::string entry =
      "<html><head><title>东莞市明佳五金制品有限公司_企业黄页</title></head><body>"
      "<div class=\"nav\"><a href=\"/about/lianxi.html\">联系我们</a></div>"
      "<div "
      "class=\"entry\"><p>公司名称：东莞市明佳五金制品有限公司</p><p>联系电话：0769-85576627</p>"
      "<p>手机：13812345678</p><p>厂址：东莞市长安镇乌沙路8号</p></div>"
      "<div class=\"footer\">客服热线：400-800-1234 手机：13987654321</div></body></html>";
  web.AddPage(kHost, "/company/8812.html", TPage::Html(entry));
  web.AddPage(kHost, "/about/lianxi.html",
              TPage::Html("<title>联系我们</title><p>手机：13900001111 电话：020-12345678</p>"));
  for (Flavour flavour : {Flavour::Baidu, Flavour::So360}) {
    SCOPED_TRACE(Name(flavour));
    companies.clear();
    web.ClearRequests();
    ASSERT_TRUE(Run(New(flavour, "http://www.hq-dz.com.cn/company/8812.html", "企业黄页")));
    ASSERT_FALSE(companies.empty());
    const TComPanyInfo& record = companies.back();
    EXPECT_EQ(GbkToUtf8(record.RawComName()), "东莞市明佳五金制品有限公司");
    EXPECT_EQ(Utf8Of(record.tels), Strings{"0769-85576627"});
    EXPECT_EQ(Utf8Of(record.mobiles), Strings{"13812345678"});
    EXPECT_EQ(GbkToUtf8(record.address), "东莞市长安镇乌沙路8号");
    EXPECT_EQ(TargetsOn(kHost), (Strings{"/company/8812.html", "/company/8812.html"}));
  }
}

}  // namespace
}  // namespace vlmr
