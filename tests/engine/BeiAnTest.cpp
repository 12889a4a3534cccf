#include "engine/BeiAn.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/Text.h"
#include "engine/RegExp.h"
#include "engine/SiteLinks.h"
#include "support/ConnectToWeb.h"
#include "support/FilingSite.h"
#include "support/SimulatedWeb.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using test::TFault;
using test::TFilingRow;
using test::TPage;

constexpr int kWait = 10000;  // upper bound only

TEST(RegisteredDomain, KeepsTheLabelBeforeTheFirstKnownSuffix) {
  struct TCase {
    const char* address;
    const char* domain;
    bool hostFound;
  };
  const TCase cases[] = {
      {"http://www.example.com/", "example.com", true},
      {"http://www.example.com.cn/about/index.html", "example.com.cn", true},
      {"http://shop.example.net.cn", "example.net.cn", true},
      // A suffix needs a label before it: the leading "cn" does not count.
      {"http://cn.example.org/", "example.org", true},
      {"http://www.example.co.uk/", "", true},
      {"http://www.example.com:8080/x", "", true},
      {"http://www.a.gov.cn", "a.gov.cn", true},
      {"http://bbs.a.edu.cn/", "a.edu.cn", true},
      {"http://a.biz", "a.biz", true},
      {"http://a.info/", "a.info", true},
      {"http://free.tk/", "free.tk", true},
      {"http://com/", "", true},
      {"HTTP://WWW.EXAMPLE.COM/X", "example.com", true},
      {"  www.example.com/x  ", "example.com", true},
      {"http://www.example.com\r\n", "example.com", true},
      {"https://www.example.com/", "example.com", true},
      {"", "", false},
      {"   ", "", false},
      {"http://", "", false},
      {"http:///x", "", false},
  };
  for (const auto& c : cases) {
    bool hostFound = !c.hostFound;
    EXPECT_EQ(RegisteredDomain(c.address, &hostFound), c.domain) << c.address;
    EXPECT_EQ(hostFound, c.hostFound) << c.address;
  }
}

using test::G;

TEST(ReadFiledName, SponsorElseSiteNameWhenLongerThanTenBytes) {
  struct TCase {
    const char* what;
    std::vector<TFilingRow> rows;
    const char* name;
  };
  const std::string longName = "广州华强电子有限公司";  // 20 bytes in GBK
  const TCase cases[] = {
      {"long sponsor", test::FilingRows(longName, "华强电子商城网站"), "广州华强电子有限公司"},
      {"five-character sponsor", test::FilingRows("华强电子厂", "华强电子商城网"),
       "华强电子商城网"},
      {"both too short", test::FilingRows("华强电子厂", "华强商城"), ""},
      {"eleven ASCII bytes", test::FilingRows("Huaqiang Co", "x"), "Huaqiang Co"},
      {"ten ASCII bytes", test::FilingRows("Huaqiang C", "Huaqiang W"), ""},
      {"trimmed", test::FilingRows("  广州华强电子有限公司\r\n", ""), "广州华强电子有限公司"},
      // The walk ends at the site-name row: a sponsor after it is never read.
      {"site name first", {{"网站名称", "华强商城", ""}, {"主办单位", longName, ""}}, ""},
      {"long site name first",
       {{"网站名称", "华强电子商城网站", ""}, {"主办单位", longName, ""}},
       "华强电子商城网站"},
      {"both labels in one row", {{"主办单位/网站名称", longName, ""}}, "广州华强电子有限公司"},
      {"later sponsor row wins",
       {{"主办单位", longName, ""}, {"主办单位", "深圳华强电子有限公司", ""}},
       "深圳华强电子有限公司"},
      // Any row naming the sponsor counts, so a row of the sponsor's type replaces the name.
      {"sponsor type after the sponsor",
       {{"主办单位名称", longName, ""},
        {"主办单位性质", "企业", ""},
        {"网站名称", "华强电子商城网站", ""}},
       "华强电子商城网站"},
      {"attributed value cells", test::FilingRows(longName, longName), ""},
      {"no table", {}, ""},
  };
  TRegExp re;
  for (const auto& c : cases) {
    std::vector<TFilingRow> rows = c.rows;
    if (std::string(c.what) == "attributed value cells") {
      for (auto& row : rows) {
        row.valueCellAttributes = "class=\"v\"";
      }
    }
    EXPECT_EQ(GbkToUtf8(ReadFiledName(re, G(test::FilingPageHtml(rows)))), c.name) << c.what;
  }
}

TEST(ReadFiledName, RowWithoutAPlainCellGivesNothing) {
  TRegExp re;
  // The first plain cell is the value, even when it is the label's own cell.
  EXPECT_EQ(
      ReadFiledName(re, G("<table><tr><th>主办单位</th></tr><tr></tr>"
                          "<tr><td>网站名称（中文）</td><td>华强电子商城网站</td></tr></table>")),
      G("网站名称（中文）"));
  EXPECT_EQ(ReadFiledName(re, G("<tr><th>主办单位</th><th>广州华强电子有限公司</th></tr>")), "");
}

class BeiAnTest : public ::testing::Test {
 protected:
  BeiAnTest() : filing(web, HostOfUrl(IcpSiteRoot)) {}

  static THttpSettings Quick() {
    THttpSettings s = TBeiAn::ClientSettings();
    s.connectTimeoutMs = s.idleTimeoutMs = kWait;
    return s;
  }

  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
  test::TFilingSite filing;
};

TEST_F(BeiAnTest, AsksForTheRegisteredDomainWithTheRootAsReferer) {
  filing.AddFiling("example.com.cn", test::FilingRows("广州华强电子有限公司", "华强"));
  TBeiAn lookup(Quick());
  EXPECT_EQ(GbkToUtf8(lookup.Lookup("http://www.example.com.cn/about/index.html")),
            "广州华强电子有限公司");
  auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].host, filing.Host());
  EXPECT_EQ(requests[0].target, "/yuming/example.com.cn/");
  EXPECT_EQ(requests[0].Header("Referer"), IcpSiteRoot);
  EXPECT_EQ(requests[0].Header("User-Agent"), kEngineUserAgent);
}

TEST_F(BeiAnTest, EmptyDomainIsStillAskedForButNoHostIsNot) {
  TBeiAn lookup(Quick());
  EXPECT_EQ(lookup.Lookup("http://www.example.co.uk/"), "");
  EXPECT_EQ(lookup.Lookup(""), "");
  EXPECT_EQ(lookup.Lookup("http://"), "");
  auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/yuming//");
}

TEST_F(BeiAnTest, BodiesThatHoldNoNameGiveNothing) {
  const std::string sponsor = "广州华强电子有限公司";
  filing.AddAnswer("empty.com", TPage::Bytes(""));
  // A GBK page is not UTF-8: it decodes to nothing.
  filing.AddAnswer("gbk.com", TPage::Html(test::FilingPageHtml(test::FilingRows(sponsor, "")),
                                          test::TCharset::Gbk));
  filing.AddAnswer("plain.com", TPage::Html("<html>维护中</html>"));
  TBeiAn lookup(Quick());
  for (const char* address : {"http://www.empty.com/", "http://www.gbk.com/", "http://plain.com/",
                              "http://www.unknown.com/"}) {
    EXPECT_EQ(lookup.Lookup(address), "") << address;
  }
}

TEST_F(BeiAnTest, FailuresRaiseAndTheObjectStaysUsable) {
  filing.AddAnswer("error.com", TPage::Error(500, "<tr><td>主办单位</td></tr>"));
  filing.AddAnswer("missing.com", TPage::Error(404, "not found"));
  filing.AddAnswer("reset.com", TPage::Faulty(TFault::Reset));
  filing.AddFiling("good.com", test::FilingRows("广州华强电子有限公司", ""));
  TBeiAn lookup(Quick());
  const std::pair<const char*, THttpError> failures[] = {
      {"http://error.com/", THttpError::HttpStatus},
      {"http://missing.com/", THttpError::HttpStatus},
      {"http://reset.com/", THttpError::Network},
  };
  for (const auto& [address, error] : failures) {
    try {
      lookup.Lookup(address);
      ADD_FAILURE() << "no error for " << address;
    } catch (const EBeiAnError& e) {
      EXPECT_EQ(e.Error(), error) << address;
    }
    EXPECT_EQ(GbkToUtf8(lookup.Lookup("http://www.good.com/")), "广州华强电子有限公司");
  }
}

TEST_F(BeiAnTest, UnreachableSiteRaises) {
  web.RemoveHost(filing.Host());
  TBeiAn lookup(Quick());
  EXPECT_THROW(lookup.Lookup("http://www.example.com/"), EBeiAnError);
}

TEST_F(BeiAnTest, CookiesLastFromOneLookupToTheNext) {
  TPage first = TPage::Html(test::FilingPageHtml(test::FilingRows("广州华强电子有限公司", "")));
  first.SetCookie("sid=42; Path=/");
  filing.AddAnswer("a.com", first);
  TBeiAn lookup(Quick());
  lookup.Lookup("http://a.com/");
  lookup.Lookup("http://b.com/");
  auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].HasHeader("Cookie"));
  EXPECT_EQ(requests[1].Header("Cookie"), "sid=42");
}

TEST_F(BeiAnTest, AbortEndsAStalledLookup) {
  filing.AddAnswer("slow.com", TPage::Faulty(TFault::StallBeforeHeaders));
  TBeiAn lookup(Quick());
  std::thread stopper([&] {
    if (web.WaitForStalled(1, kWait)) {
      lookup.Abort();
    }
  });
  try {
    lookup.Lookup("http://slow.com/");
    ADD_FAILURE() << "no error";
  } catch (const EBeiAnError& e) {
    EXPECT_EQ(e.Error(), THttpError::Aborted);
  }
  stopper.join();
}

}  // namespace
}  // namespace vlmr
