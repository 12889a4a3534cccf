// The simulated web the collector tests run against: the three engines, whose result pages up
// to a chosen index each carry one company site (Baidu's as an ad, Sogou's through its ad
// redirector, 360's as a plain link) and are empty afterwards, and the company sites with a
// landline, a mobile and an address. Page `i` of engine `e` leads to "www.e<e>-p<i>.com".
// Also: what a data folder's database holds, read over a connection of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/StoreFixture.h"
#include "support/CompanySites.h"
#include "support/EngineSites.h"
#include "support/SimulatedWeb.h"

namespace vlmr::test {

inline constexpr int kEndlessPages = 400;

inline std::string CompanyHost(int engine, int index) {
  return "www.e" + std::to_string(engine) + "-p" + std::to_string(index) + ".com";
}
inline std::string CompanyName(int engine, int index) {
  static const char* const kinds[] = {"百度", "搜狗", "好搜"};
  return std::string(kinds[engine]) + std::to_string(index) + "号机电设备有限公司";
}
inline std::string CompanyMobile(int engine, int index) {
  char mobile[16];
  std::snprintf(mobile, sizeof mobile, "138%d%07d", engine, index);
  return mobile;
}

// Scripts the engines and the company sites onto a simulated web: result pages
// 0..`lastWithCompany` carry a company.
inline void ScriptCompanies(TSimulatedWeb& web, TEngineSites& sites, int lastWithCompany) {
  web.SetDefaultHandler([](const TRequest&) {
    return TPage::Html("<html><head><title>某某</title></head><body>欢迎</body></html>");
  });
  for (int engine = 0; engine < 3; ++engine) {
    for (int i = 0; i <= lastWithCompany && i < kEndlessPages; ++i) {
      web.AddHost(CompanyHost(engine, i),
                  TPage::Html("<html><head><title>" + CompanyName(engine, i) +
                              "</title></head><body>联系电话：020-87654321 手机：" +
                              CompanyMobile(engine, i) +
                              "<br>地址：广州市天河区体育西路100号</body></html>"));
    }
  }
  const int last = lastWithCompany;
  sites.SetGenerator(TSearchEngine::Baidu, [last](int i) {
    TBaiduPage page;
    if (i <= last)
      page.ads = {{CompanyName(0, i), "http://" + CompanyHost(0, i) + "/"}};
    return TPage::Html(BaiduHtml(page));
  });
  sites.SetGenerator(TSearchEngine::Sogou, [last](int i) {
    TLinkPage page;
    if (i <= last)
      page.results = {{CompanyName(1, i), "http://" + CompanyHost(1, i) + "/", true}};
    return TPage::Html(SogouHtml(page));
  });
  sites.SetGenerator(TSearchEngine::So360, [last](int i) {
    TLinkPage page;
    if (i <= last)
      page.results = {{CompanyName(2, i), "http://" + CompanyHost(2, i) + "/"}};
    return TPage::Html(So360Html(page));
  });
}

class TCollectWeb {
 public:
  explicit TCollectWeb(int lastWithCompany) { ScriptCompanies(web_, sites_, lastWithCompany); }
  int Port() const { return web_.Port(); }
  TSimulatedWeb& Web() { return web_; }
  TEngineSites& Sites() { return sites_; }

 private:
  TSimulatedWeb web_;
  TEngineSites sites_{web_};
};

using TRows = std::vector<std::vector<std::optional<std::string>>>;

// The companies stored in a program folder (every column a run writes), by name.
inline TRows StoredCompanies(const std::string& programFolder) {
  TRawDb db(programFolder + "/Data/users");
  return db.Rows(
      "select k.KeyStr,l.ComName,l.mob,l.Tel,l.qq,l.EMail,l.Addr,l.weburl,l.source,l.ispay,"
      "l.renzheng from tbl_list l join tbl_key k on k.ID=l.keyid order by l.ComName");
}

// Keyword, count and the page each engine reached, by keyword.
inline TRows StoredKeywords(const std::string& programFolder) {
  TRawDb db(programFolder + "/Data/users");
  return db.Rows(
      "select KeyStr,listcount,lastpage,sglastpage,s360lastpage from tbl_key order by KeyStr");
}

}  // namespace vlmr::test
