#include "net/HttpClient.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/ConnectToWeb.h"
#include "support/SimulatedWeb.h"

namespace vlmr {
namespace {

using test::TFault;
using test::TPage;
using test::TRequest;

constexpr int kWait = 10000;  // upper bound only; waits end as soon as their condition holds
constexpr std::size_t kMiB = 1024 * 1024;

class HttpClientTest : public ::testing::Test {
 protected:
  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
};

TEST_F(HttpClientTest, StatusPoliciesOfThePlainAndTheFullClient) {
  web.AddPage("www.example.com", "/ok", TPage::Html("<p>ok</p>"));
  web.AddPage("www.example.com", "/missing", TPage::Error(404, "<p>not here</p>"));
  web.AddPage("www.example.com", "/broken", TPage::Error(500, "<p>server error</p>"));
  web.AddPage("www.example.com", "/empty", TPage::NoContent());
  web.AddPage("www.example.com", "/moved", TPage::Redirect("/ok"));
  struct TCase {
    const char* path;
    bool plainOk;
    std::string plainBody;  // what the plain client returns
    bool fullOk;
    std::string fullBody;  // what the full client returns (it follows redirects)
  };
  const TCase cases[] = {
      {"/ok", true, "<p>ok</p>", true, "<p>ok</p>"},
      {"/missing", true, "<p>not here</p>", false, ""},
      {"/broken", true, "<p>server error</p>", false, ""},
      {"/empty", false, "", true, ""},
      {"/moved", true, "<html>moved</html>", true, "<p>ok</p>"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.path);
    std::string url = std::string("http://www.example.com") + c.path;
    {
      THttpClient plain(THttpSettings::Plain(5000));
      std::string body = "untouched";
      EXPECT_EQ(plain.Get(url, body), c.plainOk);
      EXPECT_EQ(body, c.plainOk ? c.plainBody : "untouched");
      if (!c.plainOk) {
        EXPECT_EQ(plain.LastError(), THttpError::HttpStatus);
      }
    }
    {
      THttpClient full(THttpSettings::Full());
      std::string body = "untouched";
      EXPECT_EQ(full.Get(url, body), c.fullOk);
      EXPECT_EQ(body, c.fullOk ? c.fullBody : "untouched");
      if (!c.fullOk) {
        EXPECT_EQ(full.LastError(), THttpError::HttpStatus);
      }
    }
  }
}

TEST_F(HttpClientTest, EachPresetSendsItsProtocolVersionAndUserAgentToTheNamedHost) {
  web.AddHost("www.example.com", TPage::Html("hello"));
  struct TCase {
    THttpSettings settings;
    const char* version;
    const char* agent;
  };
  const TCase cases[] = {
      {THttpSettings::Plain(5000), "HTTP/1.0", "Mozilla/4.0 (compatible; Synapse)"},
      {THttpSettings::Full(), "HTTP/1.1", "Mozilla/3.0 (compatible; Indy Library)"},
      {THttpSettings::Engine(), "HTTP/1.1",
       "Mozilla/5.0 (Windows NT 6.1; rv:2.0) Gecko/20100101 Firefox/4.0"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.agent);
    web.ClearRequests();
    THttpClient client(c.settings);
    std::string body;
    ASSERT_TRUE(client.Get("http://www.example.com/page?a=1&b=2", body));
    EXPECT_EQ(body, "hello");
    EXPECT_EQ(client.Status(), 200);
    auto log = web.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].version, c.version);
    EXPECT_EQ(log[0].Header("User-Agent"), c.agent);
    EXPECT_EQ(log[0].Header("Host"), "www.example.com");
    EXPECT_EQ(log[0].target, "/page?a=1&b=2");
    EXPECT_EQ(log[0].Header("Accept-Encoding"), "gzip, deflate");
  }
}

// `data` packed as gzip (windowBits 31) or as the zlib stream HTTP calls deflate (15).
std::string Packed(const std::string& data, int windowBits) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Compressed answers are unpacked, and the body cap counts the unpacked bytes: a small answer
// that unpacks past the cap is refused, not unpacked whole.
TEST_F(HttpClientTest, CompressedBodiesAreUnpackedWithinTheCap) {
  const std::string page = "<p>" + std::string(100000, 'x') + "</p>";
  const std::string bomb(64 * kMiB, '\0');
  struct TCase {
    const char* what;
    std::string packed;
    const char* encoding;
    std::size_t cap;
    bool ok;
  };
  const TCase cases[] = {
      {"gzip", Packed(page, 31), "gzip", kMiB, true},
      {"deflate", Packed(page, 15), "deflate", kMiB, true},
      // Exactly at the cap still passes; one byte over it fails.
      {"gzip at the cap", Packed(page, 31), "gzip", page.size(), true},
      {"gzip over the cap", Packed(page, 31), "gzip", page.size() - 1, false},
      {"bomb", Packed(bomb, 31), "gzip", kMiB, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    // A type the server would not compress again by itself.
    web.AddPage("www.example.com", "/z",
                TPage::Bytes(c.packed, "application/octet-stream")
                    .AddHeader("Content-Encoding", c.encoding));
    THttpSettings settings = THttpSettings::Plain(kWait);
    settings.maxBodyBytes = c.cap;
    THttpClient client(settings);
    std::string body = "untouched";
    EXPECT_EQ(client.Get("http://www.example.com/z", body), c.ok);
    if (c.ok) {
      EXPECT_EQ(body, page);
    } else {
      EXPECT_EQ(client.LastError(), THttpError::BodyTooLarge);
      EXPECT_EQ(body, "untouched");
    }
  }
}

TEST_F(HttpClientTest, TheContentTypeOfTheLastAnswerIsKept) {
  web.AddPage("www.example.com", "/big5", TPage::Bytes("x", "text/html; charset=big5"));
  web.AddPage("www.example.com", "/moved", TPage::Redirect("/big5"));
  web.AddPage("www.example.com", "/none", TPage::Bytes("x", ""));
  THttpClient client(THttpSettings::Engine());
  std::string body;
  ASSERT_TRUE(client.Get("http://www.example.com/moved", body));
  EXPECT_EQ(client.ContentType(), "text/html; charset=big5");
  ASSERT_TRUE(client.Get("http://www.example.com/none", body));
  EXPECT_EQ(client.ContentType(), "");
}

TEST_F(HttpClientTest, ProxySettingsOfTheEnvironmentAreIgnored) {
  web.AddHost("www.example.com", TPage::Html("direct"));
  // A proxy that is not there: a client that used it would fail.
  const char* names[] = {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"};
  for (const char* name : names)
    setenv(name, "http://127.0.0.1:9", 1);
  std::string body;
  THttpClient client(THttpSettings::Engine());
  bool ok = client.Get("http://www.example.com/", body);
  for (const char* name : names)
    unsetenv(name);
  EXPECT_TRUE(ok) << client.LastErrorText();
  EXPECT_EQ(body, "direct");
}

TEST_F(HttpClientTest, RedirectsAreFollowedUpToTwentyAndTheFinalAddressIsKept) {
  // /hop/N redirects to /hop/N-1; /hop/0 is the page.
  web.AddHost("www.hops.com", [](const TRequest& r) {
    int n = std::stoi(r.path.substr(5));
    if (n == 0)
      return TPage::Html("arrived");
    return TPage::Redirect("/hop/" + std::to_string(n - 1), n % 2 ? 301 : 302);
  });
  {
    THttpClient client;
    std::string body;
    ASSERT_TRUE(client.Get("http://www.hops.com/hop/20", body));
    EXPECT_EQ(body, "arrived");
    EXPECT_EQ(client.FinalUrl(), "http://www.hops.com/hop/0");
    EXPECT_EQ(client.Status(), 200);
  }
  {
    THttpClient client;
    std::string body;
    EXPECT_FALSE(client.Get("http://www.hops.com/hop/21", body));
    EXPECT_EQ(client.LastError(), THttpError::TooManyRedirects);
  }
}

TEST_F(HttpClientTest, ARedirectLoopEndsWithAnError) {
  web.AddPage("www.loop.com", "/a", TPage::Redirect("http://www.loop.com/b"));
  web.AddPage("www.loop.com", "/b", TPage::Redirect("/a"));
  for (THttpSettings settings : {THttpSettings::Full(), THttpSettings::Engine()}) {
    web.ClearRequests();
    THttpClient client(settings);
    std::string body;
    EXPECT_FALSE(client.Get("http://www.loop.com/a", body));
    EXPECT_EQ(client.LastError(), THttpError::TooManyRedirects);
    EXPECT_EQ(web.Requests().size(), 21u);  // the first request and twenty redirects
  }
}

TEST_F(HttpClientTest, RedirectsToOtherSchemesAreRefused) {
  const char* targets[] = {"ftp://www.example.com/file.zip", "file:///etc/passwd",
                           "gopher://www.example.com/", "dict://www.example.com/"};
  for (const char* target : targets) {
    SCOPED_TRACE(target);
    web.ClearRequests();
    web.AddPage("www.example.com", "/go", TPage::Redirect(target));
    THttpClient client;
    std::string body = "untouched";
    EXPECT_FALSE(client.Get("http://www.example.com/go", body));
    EXPECT_EQ(client.LastError(), THttpError::BadUrl);
    EXPECT_EQ(body, "untouched");
    EXPECT_EQ(web.Requests().size(), 1u);
  }
  // Addresses given directly are held to the same rule.
  THttpClient client;
  std::string body;
  EXPECT_FALSE(client.Get("file:///etc/passwd", body));
  EXPECT_EQ(client.LastError(), THttpError::BadUrl);
  EXPECT_FALSE(client.Get("", body));
  EXPECT_EQ(client.LastError(), THttpError::BadUrl);
}

TEST_F(HttpClientTest, HttpsCanBeSwitchedOffForRequestsAndRedirects) {
  web.AddPage("www.example.com", "/secure", TPage::Redirect("https://www.example.com/"));
  THttpSettings settings = THttpSettings::Engine();
  settings.allowHttps = false;
  THttpClient client(settings);
  std::string body;
  EXPECT_FALSE(client.Get("http://www.example.com/secure", body));
  EXPECT_EQ(client.LastError(), THttpError::BadUrl);
  EXPECT_FALSE(client.Get("https://www.example.com/", body));
  EXPECT_EQ(client.LastError(), THttpError::BadUrl);
}

// Sets a cookie and redirects to /echo, which answers with the Cookie header it received.
void AddCookieSite(test::TSimulatedWeb& web) {
  web.AddPage("www.shop.com", "/login",
              TPage::Redirect("/echo").SetCookie("sid=abc; Path=/").SetCookie("lang=zh; Path=/"));
  web.AddPage("www.shop.com", "/other", TPage::Html("other").SetCookie("seen=1; Path=/"));
  web.AddHost("www.shop.com", [](const TRequest& r) { return TPage::Html(r.Header("Cookie")); });
}

TEST_F(HttpClientTest, CookiesAreKeptPerClientObjectAndTheSentHeaderIsReadBack) {
  AddCookieSite(web);
  THttpClient first(THttpSettings::Engine());
  std::string body;
  ASSERT_TRUE(first.Get("http://www.shop.com/login", body));
  EXPECT_EQ(first.FinalUrl(), "http://www.shop.com/echo");
  EXPECT_NE(body.find("sid=abc"), std::string::npos);
  EXPECT_NE(body.find("lang=zh"), std::string::npos);
  EXPECT_EQ(first.LastCookieHeader(), body);

  ASSERT_TRUE(first.Get("http://www.shop.com/other", body));
  ASSERT_TRUE(first.Get("http://www.shop.com/echo", body));
  EXPECT_NE(body.find("seen=1"), std::string::npos);
  EXPECT_EQ(first.LastCookieHeader(), body);

  // Another client object has a store of its own.
  THttpClient second(THttpSettings::Engine());
  ASSERT_TRUE(second.Get("http://www.shop.com/echo", body));
  EXPECT_EQ(body, "");
  EXPECT_EQ(second.LastCookieHeader(), "");

  // The plain client keeps none.
  THttpClient plain(THttpSettings::Plain(5000));
  ASSERT_TRUE(plain.Get("http://www.shop.com/login", body));
  ASSERT_TRUE(plain.Get("http://www.shop.com/echo", body));
  EXPECT_EQ(body, "");
  EXPECT_EQ(plain.LastCookieHeader(), "");
}

TEST_F(HttpClientTest, AGivenCookieHeaderGoesWithTheStoredCookies) {
  AddCookieSite(web);
  THttpClient client(THttpSettings::Engine());
  client.SetCookieHeader("BAIDUID=42");
  client.SetReferer("http://www.baidu.com/");
  std::string body;
  ASSERT_TRUE(client.Get("http://www.shop.com/login", body));
  EXPECT_NE(body.find("BAIDUID=42"), std::string::npos);
  EXPECT_NE(body.find("sid=abc"), std::string::npos);
  EXPECT_EQ(client.LastCookieHeader(), body);
  EXPECT_EQ(web.Requests().back().Header("Referer"), "http://www.baidu.com/");
}

TEST_F(HttpClientTest, AStalledServerEndsByTheIdleTimeOut) {
  struct TCase {
    const char* name;
    TPage page;
  };
  const TCase cases[] = {
      {"before the headers", TPage::Faulty(TFault::StallBeforeHeaders, "late")},
      {"in the body", TPage::Faulty(TFault::StallInBody, std::string(5000, 'b'), 1000)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    web.AddHost("slow.example.com", c.page);
    for (THttpSettings settings : {THttpSettings::Plain(300), THttpSettings::Full()}) {
      settings.idleTimeoutMs = 300;
      THttpClient client(settings);
      std::string body = "untouched";
      EXPECT_FALSE(client.Get("http://slow.example.com/", body));
      EXPECT_EQ(client.LastError(), THttpError::Timeout);
      EXPECT_EQ(body, "untouched");
    }
  }
}

TEST_F(HttpClientTest, AbortFromAnotherThreadEndsATransferInFlight) {
  struct TCase {
    const char* name;
    TPage page;
  };
  const TCase cases[] = {
      {"stall before the headers", TPage::Faulty(TFault::StallBeforeHeaders, "late")},
      {"stall in the body", TPage::Faulty(TFault::StallInBody, std::string(5000, 'b'), 1000)},
      {"endless body", TPage::Faulty(TFault::EndlessBody)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    web.ClearRequests();
    web.AddHost("slow.example.com", c.page);
    // Time-outs far beyond the test's span: only the abort can end the request.
    THttpSettings settings = THttpSettings::Full();
    settings.idleTimeoutMs = 600000;
    settings.maxBodyBytes = std::size_t{1} << 40;
    THttpClient client(settings);
    std::atomic<bool> receiving{false};
    client.SetOnWork([&](std::int64_t) { receiving = true; });
    bool ok = true;
    std::thread request([&] {
      std::string body;
      ok = client.Get("http://slow.example.com/", body);
    });
    if (c.page.fault == TFault::EndlessBody) {
      ASSERT_TRUE(web.WaitForRequests(1, kWait));
    } else {
      ASSERT_TRUE(web.WaitForStalled(1, kWait));
    }
    client.Abort();
    request.join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(client.LastError(), THttpError::Aborted);
    web.ReleaseStalls();
  }
}

TEST_F(HttpClientTest, AnAbortHoldsUntilClearedAndAStopQueryAbortsToo) {
  web.AddHost("www.example.com", TPage::Html("page"));
  THttpClient client;
  std::string body;
  client.Abort();
  EXPECT_FALSE(client.Get("http://www.example.com/", body));
  EXPECT_EQ(client.LastError(), THttpError::Aborted);
  EXPECT_TRUE(web.Requests().empty());
  client.ClearAbort();
  EXPECT_TRUE(client.Get("http://www.example.com/", body));

  web.AddHost("slow.example.com", TPage::Faulty(TFault::StallBeforeHeaders));
  std::atomic<bool> stop{false};
  client.SetStopQuery([&] { return stop.load(); });
  bool ok = true;
  std::thread request([&] { ok = client.Get("http://slow.example.com/", body); });
  ASSERT_TRUE(web.WaitForStalled(1, kWait));
  stop = true;
  request.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(client.LastError(), THttpError::Aborted);
}

TEST_F(HttpClientTest, BodiesArePassedWholeUpToTheCapAndFailBeyondIt) {
  struct TCase {
    const char* name;
    TPage page;
    bool ok;
  };
  const TCase cases[] = {
      {"10 MB page", TPage::Filled(10'000'000), true},
      {"exactly the cap", TPage::Filled(16 * kMiB), true},
      {"one byte over", TPage::Filled(16 * kMiB + 1), false},
      {"17 MB page", TPage::Filled(17'000'000), false},
      {"17 MB without a length",
       [] {
         TPage p = TPage::Filled(17'000'000);
         p.withLength = false;
         return p;
       }(),
       false},
      {"endless body", TPage::Faulty(TFault::EndlessBody), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    web.AddHost("big.example.com", c.page);
    for (THttpSettings settings : {THttpSettings::Plain(5000), THttpSettings::Full()}) {
      THttpClient client(settings);
      std::string body;
      EXPECT_EQ(client.Get("http://big.example.com/", body), c.ok);
      if (c.ok) {
        EXPECT_EQ(body, c.page.body);
      } else {
        EXPECT_EQ(client.LastError(), THttpError::BodyTooLarge);
        EXPECT_TRUE(body.empty());
      }
    }
  }
}

TEST_F(HttpClientTest, BrokenConnectionsAreNetworkFailures) {
  web.AddHost("reset.example.com", TPage::Faulty(TFault::Reset));
  for (const char* url : {"http://reset.example.com/", "http://unknown-host.example.org/"}) {
    SCOPED_TRACE(url);
    for (THttpSettings settings : {THttpSettings::Plain(5000), THttpSettings::Full()}) {
      THttpClient client(settings);
      std::string body = "untouched";
      EXPECT_FALSE(client.Get(url, body));
      EXPECT_EQ(client.LastError(), THttpError::Network);
      EXPECT_EQ(body, "untouched");
    }
  }
}

TEST_F(HttpClientTest, ProgressReportsTheExpectedSizeAndTheRunningCount) {
  TPage sized = TPage::Filled(300'000);
  TPage unsized = TPage::Filled(300'000);
  unsized.withLength = false;
  web.AddPage("files.example.com", "/sized", sized);
  web.AddPage("files.example.com", "/unsized", unsized);
  struct TCase {
    const char* path;
    std::int64_t expected;
  };
  for (TCase c : {TCase{"/sized", 300'000}, TCase{"/unsized", -1}}) {
    SCOPED_TRACE(c.path);
    THttpClient client;
    std::vector<std::int64_t> begins, counts;
    client.SetOnWorkBegin([&](std::int64_t e) { begins.push_back(e); });
    client.SetOnWork([&](std::int64_t n) { counts.push_back(n); });
    std::string body;
    ASSERT_TRUE(client.Get(std::string("http://files.example.com") + c.path, body));
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0], c.expected);
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), 300'000);
  }
}

TEST_F(HttpClientTest, BodyBytesArriveUnchanged) {
  using namespace std::string_literals;
  // GBK text, bytes that are not UTF-8, an embedded NUL and mixed line ends.
  const std::string bytes = "\xB9\xE3\xD6\xDD \xFF\xFE\x80 \xE4\xB8\r\n\0tail\r"s;
  web.AddHost("www.example.com", TPage::Bytes(bytes, "text/html; charset=gbk"));
  for (THttpSettings settings : {THttpSettings::Plain(5000), THttpSettings::Full()}) {
    THttpClient client(settings);
    std::string body;
    ASSERT_TRUE(client.Get("http://www.example.com/", body));
    EXPECT_EQ(body, bytes);
  }
}

}  // namespace
}  // namespace vlmr
