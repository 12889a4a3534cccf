#include "net/HttpFetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "net/GetHttp.h"
#include "net/HttpCreate.h"
#include "support/ConnectToWeb.h"
#include "support/SimulatedWeb.h"

namespace vlmr {
namespace {

using test::TCharset;
using test::TFault;
using test::TPage;

constexpr int kWait = 10000;  // upper bound only

using TLines = std::vector<std::string>;

TEST(SplitLines, BreaksAtEveryKindOfLineEnd) {
  struct TCase {
    std::string text;
    TLines lines;
  };
  const TCase cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"a\n\r", {"a", ""}},
      {"\xB9\xE3\xD6\xDD\r\n\xC9\xEE", {"\xB9\xE3\xD6\xDD", "\xC9\xEE"}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
  }
}

class FetchTest : public ::testing::Test {
 protected:
  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
};

TEST_F(FetchTest, FetchPageTextGivesAnyAnswerButNoContentAsLines) {
  web.AddPage("www.gz-dz.com", "/lianxi.html",
              TPage::Html("<p>联系我们</p>\r\n<p>电话</p>\n", TCharset::Gbk));
  web.AddPage("www.gz-dz.com", "/gone", TPage::Error(404, "not\nfound"));
  web.AddPage("www.gz-dz.com", "/empty", TPage::NoContent());
  web.AddHost("reset.gz-dz.com", TPage::Faulty(TFault::Reset));

  TLines lines = {"old"};
  ASSERT_TRUE(FetchPageText("http://www.gz-dz.com/lianxi.html", lines));
  // The bytes stay GBK: no conversion on the way.
  EXPECT_EQ(lines, (TLines{Utf8ToGbk("<p>联系我们</p>"), Utf8ToGbk("<p>电话</p>")}));

  ASSERT_TRUE(FetchPageText("http://www.gz-dz.com/gone", lines));
  EXPECT_EQ(lines, (TLines{"not", "found"}));

  for (const char* url : {"http://www.gz-dz.com/empty", "http://reset.gz-dz.com/"}) {
    lines = {"kept"};
    EXPECT_FALSE(FetchPageText(url, lines)) << url;
    EXPECT_EQ(lines, TLines{"kept"});
  }
  EXPECT_EQ(web.Requests().front().Header("User-Agent"), kPlainUserAgent);
}

TEST_F(FetchTest, FetchPageTextStopsWhenAskedTo) {
  web.AddHost("slow.gz-dz.com", TPage::Faulty(TFault::StallBeforeHeaders));
  std::atomic<bool> stop{false};
  TLines lines = {"kept"};
  bool ok = true;
  std::thread fetch(
      [&] { ok = FetchPageText("http://slow.gz-dz.com/", lines, [&] { return stop.load(); }); });
  ASSERT_TRUE(web.WaitForStalled(1, kWait));
  stop = true;
  fetch.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(lines, TLines{"kept"});
}

TEST_F(FetchTest, FetchToStreamGivesTheBodyOfAnErrorPageAndSendsNoCookies) {
  web.AddPage("config.vendor.com", "/newapi/config.txt",
              TPage::Error(404, "<html>404</html>").SetCookie("a=1"));
  std::string buffer;
  ASSERT_TRUE(FetchToStream("http://config.vendor.com/newapi/config.txt", buffer));
  EXPECT_EQ(buffer, "<html>404</html>");
  ASSERT_TRUE(FetchToStream("http://config.vendor.com/newapi/config.txt", buffer));
  for (const auto& r : web.Requests()) {
    EXPECT_FALSE(r.HasHeader("Cookie"));
    EXPECT_FALSE(r.HasHeader("Range"));
  }
  std::string untouched = "untouched";
  EXPECT_FALSE(FetchToStream("http://nowhere.vendor.com/", untouched));
  EXPECT_EQ(untouched, "untouched");
}

// Waits for THttpCreate's callback and tells on which thread it ran.
struct TCreateResult {
  std::promise<std::pair<std::string, bool>> promise;
  void Launch(const std::string& url) {
    THttpCreate::Launch(url, [this](const std::string& buffer) {
      promise.set_value({buffer, IsUiThread()});
    });
  }
};

TEST_F(FetchTest, HttpCreateHandsTheBodyOrAnEmptyBufferToItsCallbackOnItsOwnThread) {
  TScopedQueueDispatcher ui;
  web.AddPage("config.vendor.com", "/newapi/config.txt", TPage::Bytes("\x01\x02cipher"));
  web.AddPage("config.vendor.com", "/missing", TPage::Error(404, "missing page"));
  struct TCase {
    const char* url;
    std::string buffer;
  };
  const TCase cases[] = {
      {"http://config.vendor.com/newapi/config.txt", "\x01\x02cipher"},
      {"http://config.vendor.com/missing", "missing page"},
      {"http://unreachable.vendor.com/newapi/config.txt", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.url);
    TCreateResult result;
    result.Launch(c.url);
    auto [buffer, onUi] = result.promise.get_future().get();
    EXPECT_EQ(buffer, c.buffer);
    EXPECT_FALSE(onUi);
  }
  ASSERT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
}

TEST_F(FetchTest, GetHttpDecodesUtf8IntoGbkAndReportsOnTheUiThread) {
  TScopedQueueDispatcher ui;
  web.AddPage("www.vendor.com", "/contact", TPage::Html("020-1234|10001|广州电子|张三"));
  web.AddPage("www.vendor.com", "/bom",
              TPage::Bytes("\xEF\xBB\xBF"
                           "电话"));
  web.AddPage("www.vendor.com", "/gbk", TPage::Html("广州电子", TCharset::Gbk));
  web.AddPage("www.vendor.com", "/emoji", TPage::Html("a😀b"));
  web.AddPage("www.vendor.com", "/missing", TPage::Error(404, "missing"));
  web.AddPage("www.vendor.com", "/moved", TPage::Redirect("/contact"));
  struct TCase {
    const char* path;
    std::string result;
  };
  const TCase cases[] = {
      {"/contact", Utf8ToGbk("020-1234|10001|广州电子|张三")},
      {"/moved", Utf8ToGbk("020-1234|10001|广州电子|张三")},
      {"/bom", Utf8ToGbk("电话")},
      {"/gbk", ""},  // not valid UTF-8
      {"/emoji", "a?b"},
      {"/missing", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.path);
    bool done = false, onUi = false;
    std::string result = "unset";
    TGetHttp::Launch(std::string("http://www.vendor.com") + c.path, [&](TGetHttp& t) {
      onUi = IsUiThread();
      result = t.Result();
      done = true;
    });
    ASSERT_TRUE(ui->ProcessUntil([&] { return done; }, kWait));
    EXPECT_TRUE(onUi);
    EXPECT_EQ(result, c.result);
  }
  EXPECT_EQ(web.Requests().front().Header("User-Agent"), kFullUserAgent);
  ASSERT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
}

TEST_F(FetchTest, GetHttpStopsAFetchInFlight) {
  TScopedQueueDispatcher ui;
  web.AddHost("slow.vendor.com", TPage::Faulty(TFault::StallBeforeHeaders, "late"));
  bool done = false;
  std::string result = "unset";
  TGetHttp* thread = TGetHttp::Launch("http://slow.vendor.com/", [&](TGetHttp& t) {
    result = t.Result();
    done = true;
  });
  ASSERT_TRUE(web.WaitForStalled(1, kWait));
  thread->Terminate();  // valid: its handler cannot run before this thread pumps events
  ASSERT_TRUE(ui->ProcessUntil([&] { return done; }, kWait));
  EXPECT_EQ(result, "");
  ASSERT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
}

}  // namespace
}  // namespace vlmr
