// The simulated web is what every network test stands on: its routing, its log and its
// stalls are checked here through the real client.
#include "support/SimulatedWeb.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/Text.h"
#include "net/HttpClient.h"
#include "support/ConnectToWeb.h"

namespace vlmr {
namespace {

using test::TCharset;
using test::TFault;
using test::TPage;
using test::TRequest;

constexpr int kWait = 10000;  // upper bound only

class SimulatedWebTest : public ::testing::Test {
 protected:
  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};

  std::string Fetch(const std::string& url) {
    THttpClient client(THttpSettings::Plain(5000));
    std::string body;
    return client.Get(url, body) ? body : "<failed>";
  }
};

TEST_F(SimulatedWebTest, RoutesByHostWithExactNamesBeforeWildcards) {
  web.AddHost("*.example.com", TPage::Html("any subdomain"));
  web.AddHost("*.shop.example.com", TPage::Html("shop subdomain"));
  web.AddHost("WWW.Example.com", TPage::Html("exact"));
  web.AddPage("www.example.com", "/p", TPage::Html("page by path"));
  web.AddPage("www.example.com", "/p?x=1", TPage::Html("page by path and query"));
  web.AddPage("static.com", "/here", TPage::Html("here"));
  struct TCase {
    const char* url;
    const char* body;
  };
  const TCase cases[] = {
      {"http://www.example.com/", "exact"},
      {"http://www.example.com/p", "page by path"},
      {"http://www.example.com/p?x=1", "page by path and query"},
      {"http://www.example.com/p?x=2", "page by path"},
      {"http://a.b.example.com/", "any subdomain"},
      {"http://a.shop.example.com/", "shop subdomain"},
      {"http://example.com/", "<failed>"},  // a wildcard does not match the bare domain
      {"http://static.com/elsewhere", "<html>Not Found</html>"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Fetch(c.url), c.body) << c.url;
  }
  web.SetDefaultHandler([](const TRequest& r) { return TPage::Html("default for " + r.host); });
  EXPECT_EQ(Fetch("http://Unknown.ORG:8080/"), "default for unknown.org");
  web.RemoveHost("www.example.com");
  EXPECT_EQ(Fetch("http://www.example.com/"), "any subdomain");
}

TEST_F(SimulatedWebTest, LogsEveryRequestInOrderWithItsHeaders) {
  web.AddHost("www.baidu.com", [](const TRequest& r) { return TPage::Html(r.query); });
  THttpClient client(THttpSettings::Engine());
  client.SetCookieHeader("BAIDUID=7");
  std::string body;
  ASSERT_TRUE(client.Get("http://www.baidu.com/s?wd=%B9%E3&pn=10", body));
  EXPECT_EQ(body, "wd=%B9%E3&pn=10");
  ASSERT_TRUE(client.Get("http://www.baidu.com/s?wd=x", body));
  auto log = web.RequestsTo("www.baidu.com");
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].path, "/s");
  EXPECT_EQ(log[0].target, "/s?wd=%B9%E3&pn=10");
  EXPECT_EQ(log[0].Header("cookie"), "BAIDUID=7");
  EXPECT_EQ(log[1].query, "wd=x");
  EXPECT_LE(log[0].time, log[1].time);
  EXPECT_TRUE(web.RequestsTo("www.sogou.com").empty());
}

TEST_F(SimulatedWebTest, ServesTextAsGbkOrUtf8Bytes) {
  web.AddPage("site.com", "/gbk", TPage::Html("广州", TCharset::Gbk));
  web.AddPage("site.com", "/utf8", TPage::Html("广州", TCharset::Utf8));
  EXPECT_EQ(Fetch("http://site.com/gbk"), "\xB9\xE3\xD6\xDD");
  EXPECT_EQ(Fetch("http://site.com/utf8"), "\xE5\xB9\xBF\xE5\xB7\x9E");
}

TEST_F(SimulatedWebTest, ReleasedStallsAnswerInFull) {
  const std::string body(50'000, 'r');
  web.AddPage("slow.com", "/head", TPage::Faulty(TFault::StallBeforeHeaders, "late page"));
  web.AddPage("slow.com", "/body", TPage::Faulty(TFault::StallInBody, body, 10'000));
  struct TCase {
    const char* url;
    std::string expected;
  };
  for (const TCase& c :
       {TCase{"http://slow.com/head", "late page"}, TCase{"http://slow.com/body", body}}) {
    SCOPED_TRACE(c.url);
    std::string got;
    std::thread fetch([&] { got = Fetch(c.url); });
    ASSERT_TRUE(web.WaitForStalled(1, kWait));
    web.ReleaseStalls();
    fetch.join();
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(web.Stalled(), 0);
  }
}

TEST(SimulatedWebLifetime, EndsWhileRequestsAreStalled) {
  std::thread clients[3];
  std::string results[3];
  {
    test::TSimulatedWeb web;
    test::TConnectToWeb route(web);
    web.AddPage("slow.com", "/head", TPage::Faulty(TFault::StallBeforeHeaders));
    web.AddPage("slow.com", "/body",
                TPage::Faulty(TFault::StallInBody, std::string(9000, 'b'), 10));
    web.AddPage("slow.com", "/endless", TPage::Faulty(TFault::EndlessBody));
    const char* paths[] = {"/head", "/body", "/endless"};
    for (int i = 0; i < 3; ++i) {
      clients[i] = std::thread([&, i] {
        THttpSettings s = THttpSettings::Full();
        s.maxBodyBytes = std::size_t{1} << 40;
        THttpClient client(s);
        std::string body;
        results[i] = client.Get(std::string("http://slow.com") + paths[i], body) ? "ok" : "failed";
      });
    }
    ASSERT_TRUE(web.WaitForStalled(2, kWait));
    ASSERT_TRUE(web.WaitForRequests(3, kWait));
  }  // the destructor ends the stalls and the endless body
  for (auto& c : clients)
    c.join();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(results[i], "failed") << i;
}

}  // namespace
}  // namespace vlmr
