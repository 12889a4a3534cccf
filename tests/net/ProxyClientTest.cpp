// Requests through real proxies (tinyproxy, microsocks) to the simulated web. Each proxy makes
// its onward connections from an address of its own, so the web's log shows which way a request
// came.
#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"
#include "net/HttpClient.h"
#include "net/ProxyCheck.h"
#include "net/ProxyList.h"
#include "support/ConnectToWeb.h"
#include "support/RealProxies.h"
#include "support/SimulatedWeb.h"

namespace vlmr {
namespace {

using test::TPage;
using test::TProxyServer;
using test::TRealProxy;

constexpr const char* kTinyOut = "127.0.0.2";
constexpr const char* kSocksOut = "127.0.0.3";

class ProxyClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (TProxyServer s : {TProxyServer::Tinyproxy, TProxyServer::Microsocks}) {
      if (!TRealProxy::Installed(s))
        GTEST_SKIP() << TRealProxy::MissingText(s);
    }
    web.AddPage("www.baidu.com", "/s?wd=x", TPage::Html("<p>results</p>"));
  }

  // One GET of the result page through `proxy`; the body or "" on failure.
  std::string Fetch(const TProxy& proxy, THttpClient& client) {
    client.SetProxy(proxy);
    std::string body;
    client.Get("http://www.baidu.com/s?wd=x", body);
    return body;
  }

  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
};

TEST_F(ProxyClientTest, EveryKindReachesTheWebThroughItsProxy) {
  struct TCase {
    TProxyServer server;
    TProxyKind kind;
    bool password;
  };
  const TCase cases[] = {
      {TProxyServer::Tinyproxy, TProxyKind::Http, false},
      {TProxyServer::Tinyproxy, TProxyKind::Http, true},
      {TProxyServer::Tinyproxy, TProxyKind::HttpsConnect, false},
      {TProxyServer::Tinyproxy, TProxyKind::HttpsConnect, true},
      {TProxyServer::Microsocks, TProxyKind::Socks5, false},
      {TProxyServer::Microsocks, TProxyKind::Socks5, true},
      {TProxyServer::Microsocks, TProxyKind::Socks5Hostname, true},
  };
  for (const TCase& c : cases) {
    const bool tiny = c.server == TProxyServer::Tinyproxy;
    SCOPED_TRACE(std::string(tiny ? "tinyproxy " : "microsocks ") +
                 std::to_string(static_cast<int>(c.kind)) + (c.password ? " with password" : ""));
    // tinyproxy's configuration takes no ':' or '@' in a password.
    TRealProxy server(c.server, tiny ? kTinyOut : kSocksOut, c.password ? "alice" : "",
                      !c.password ? ""
                      : tiny      ? "pass-w0rd"
                                  : "pa:ss@w0rd");
    ASSERT_TRUE(server.Started());
    web.ClearRequests();
    THttpClient client(THttpSettings::Engine());
    EXPECT_EQ(Fetch(server.AsProxy(c.kind), client), "<p>results</p>");
    EXPECT_EQ(client.LastError(), THttpError::None);
    auto seen = web.RequestsTo("www.baidu.com");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].peer, server.Outgoing());  // not from the client's own address
    EXPECT_FALSE(seen[0].HasHeader("Proxy-Authorization"));
    if (tiny) {
      // The test routing makes libcurl tunnel even a plain HTTP proxy; tinyproxy logs it.
      EXPECT_EQ(server.LogLines("CONNECT 127.0.0.1:" + std::to_string(web.Port())), 1);
    }
  }
}

// Without the test routing, an HTTP proxy gets the request in proxy form and sends it on with
// its Via header; tinyproxy hands it to the simulated web as to a further proxy.
TEST_F(ProxyClientTest, AnHttpProxyForwardsTheRequestWithItsViaHeader) {
  SetConnectToOverrideForTesting(0);
  TRealProxy server(TProxyServer::Tinyproxy, kTinyOut, "alice", "pass-w0rd",
                    "127.0.0.1:" + std::to_string(web.Port()));
  ASSERT_TRUE(server.Started());
  THttpClient client(THttpSettings::Engine());
  EXPECT_EQ(Fetch(server.AsProxy(TProxyKind::Http), client), "<p>results</p>");
  auto seen = web.RequestsTo("www.baidu.com");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].path, "/s");
  EXPECT_NE(seen[0].Header("Via").find("tinyproxy"), std::string::npos) << seen[0].Header("Via");
  EXPECT_FALSE(seen[0].HasHeader("Proxy-Authorization"));

  // A wrong password through the same proxy: a clear failure, and nothing reaches the web.
  web.ClearRequests();
  TProxy wrong = server.AsProxy(TProxyKind::Http);
  wrong.password = "wrong";
  EXPECT_EQ(Fetch(wrong, client), "");
  EXPECT_NE(client.LastError(), THttpError::None);
  EXPECT_TRUE(web.Requests().empty());
}

TEST_F(ProxyClientTest, AProxyThatRefusesOrCannotBeReachedIsAFailureNeverADirectFetch) {
  TRealProxy tiny(TProxyServer::Tinyproxy, kTinyOut, "alice", "right");
  TRealProxy socks(TProxyServer::Microsocks, kSocksOut, "alice", "right");
  ASSERT_TRUE(tiny.Started() && socks.Started());
  struct TCase {
    const char* name;
    TProxy proxy;
    THttpError error;
  };
  auto with = [](TProxy p, std::string user, std::string password) {
    p.user = std::move(user);
    p.password = std::move(password);
    return p;
  };
  TProxy dead;
  dead.host = "127.0.0.1";
  dead.port = TRealProxy::ClosedPort();
  const TCase cases[] = {
      {"http, wrong password", with(tiny.AsProxy(TProxyKind::Http), "alice", "wrong"),
       THttpError::ProxyAuth},
      {"http, no password", with(tiny.AsProxy(TProxyKind::Http), "", ""), THttpError::ProxyAuth},
      {"connect, wrong password", with(tiny.AsProxy(TProxyKind::HttpsConnect), "alice", "x"),
       THttpError::ProxyAuth},
      {"socks5, wrong password", with(socks.AsProxy(TProxyKind::Socks5), "alice", "wrong"),
       THttpError::ProxyAuth},
      {"socks5, no password", with(socks.AsProxy(TProxyKind::Socks5), "", ""),
       THttpError::ProxyAuth},
      {"http, closed port", dead, THttpError::ProxyConnect},
      {"socks5, closed port",
       [&] {
         TProxy p = dead;
         p.kind = TProxyKind::Socks5;
         return p;
       }(),
       THttpError::ProxyConnect},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    web.ClearRequests();
    // The plain client takes any status as a page: a 407 must still not pass for one.
    for (THttpSettings settings : {THttpSettings::Engine(), THttpSettings::Plain(5000)}) {
      THttpClient client(settings);
      EXPECT_EQ(Fetch(c.proxy, client), "");
      EXPECT_EQ(client.LastError(), c.error);
      EXPECT_TRUE(IsProxyFailure(client.LastError()));
      EXPECT_EQ(client.LastErrorText().find("wrong"), std::string::npos);
    }
    EXPECT_TRUE(web.Requests().empty());
  }
}

TEST_F(ProxyClientTest, TheTestSaysWhatFailed) {
  TRealProxy tiny(TProxyServer::Tinyproxy, kTinyOut, "alice", "right");
  ASSERT_TRUE(tiny.Started());
  web.AddPage("www.baidu.com", "/", TPage::Html("<p>home</p>"));
  web.AddPage("www.example.com", "/gone", TPage::Error(500, "down"));
  TProxy good = tiny.AsProxy(TProxyKind::Http);
  TProxy wrong = good;
  wrong.password = "wrong";
  TProxy dead = good;
  dead.port = TRealProxy::ClosedPort();

  TProxyCheck ok = CheckProxy(good);
  EXPECT_TRUE(ok.ok);
  EXPECT_EQ(GbkToUtf8(ok.text).rfind("成功", 0), 0u) << GbkToUtf8(ok.text);

  struct TCase {
    TProxy proxy;
    const char* url;
    const char* text;
  };
  const TCase cases[] = {
      {wrong, kProxyCheckUrl, "代理服务器拒绝了用户名或密码"},
      {dead, kProxyCheckUrl, "无法连接到代理服务器"},
      {good, "http://www.example.com/gone", "目标网站返回了错误状态 500"},
  };
  for (const TCase& c : cases) {
    TProxyCheck check = CheckProxy(c.proxy, c.url, 3000);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(GbkToUtf8(check.text), c.text);
  }
}

}  // namespace
}  // namespace vlmr
