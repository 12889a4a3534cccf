#include "net/RemoteConfig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "net/Cipher.h"
#include "net/ProcessEnd.h"
#include "net/UpdateFailure.h"
#include "support/ConnectToWeb.h"
#include "support/PresetMessageBoxes.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

// The window's side, recording what reached it and on which thread.
class TRecordingWindow : public TConfigWindow {
 public:
  void ConfigServiceBaseUrl(const std::string& url) override {
    Note();
    serviceBaseUrl = url;
  }
  void ConfigStartUpdate(std::unique_ptr<TUpDateInfo> i) override {
    Note();
    info = std::move(i);
  }
  void ConfigArmRetry() override {
    Note();
    ++retries;
  }
  void ConfigArmStartup() override {
    Note();
    ++startups;
  }

  std::optional<std::string> serviceBaseUrl;
  std::unique_ptr<TUpDateInfo> info;
  int retries = 0;
  int startups = 0;
  bool offUiThread = false;

 private:
  void Note() { offUiThread = offUiThread || !IsUiThread(); }
};

std::string Served(const std::string& xmlUtf8) {
  return EncodeConfigStream(Utf8ToGbk(xmlUtf8), kConfigKeyText);
}

class RemoteConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessEndHookForTesting([this](TProcessEnd way) { ends.push_back(way); });
  }
  void TearDown() override {
    EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(10000, [&] { ui->ProcessEvents(); }));
    SetProcessEndHookForTesting({});
    InstallMessageBoxService(nullptr);
  }

  TScopedQueueDispatcher ui;
  test::TTempFolder temp;
  std::shared_ptr<test::TPresetMessageBoxes> boxes = test::TPresetMessageBoxes::Install();
  std::vector<TProcessEnd> ends;
  TRecordingWindow window;
};

TEST_F(RemoteConfigTest, EachKindOfBodyHasItsEffects) {
  struct TCase {
    const char* what;
    std::string body;
    bool update;
    bool forcedBox;
    int retries;
    int startups;
    std::optional<std::string> baseUrl;
  };
  const std::string system = "<system><loginurl>http://svc.example/</loginurl></system>";
  const TCase cases[] = {
      {"1.5: no update",
       Served("<c><version><vlmr ver=\"1.5\">http://d/p.zip</vlmr></version>" + system + "</c>"),
       false, false, 0, 1, "http://svc.example/"},
      {"1.50001: update",
       Served("<c><version><vlmr ver=\"1.50001\">http://d/p.zip</vlmr>"
              "</version></c>"),
       true, false, 0, 1, std::nullopt},
      {"2.0 forced",
       Served("<c><version><vlmr ver=\"2.0\" force=\"1\">http://d/p.zip</vlmr>"
              "</version>" +
              system + "</c>"),
       true, true, 0, 1, "http://svc.example/"},
      {"system without loginurl", Served("<c><system/></c>"), false, false, 0, 1, ""},
      {"a few bytes", "abc", false, false, 1, 1, std::nullopt},
      {"an error page", "<html><body>502 Bad Gateway</body></html>", false, false, 1, 1,
       std::nullopt},
      {"an empty body", "", false, false, 1, 0, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TRecordingWindow w;
    auto before = boxes->Asked().size();
    TRemoteConfig config(w, "http://cfg.example/newapi/config.txt", temp.File("update"));
    config.OnConfig(c.body);
    EXPECT_EQ(w.info != nullptr, c.update);
    if (w.info) {
      EXPECT_EQ(w.info->PackageUrl, "http://d/p.zip");
    }
    EXPECT_EQ(w.retries, c.retries);
    EXPECT_EQ(w.startups, c.startups);
    EXPECT_EQ(w.serviceBaseUrl, c.baseUrl);
    auto asked = boxes->Asked();
    ASSERT_EQ(asked.size() - before, c.forcedBox ? 1u : 0u);
    if (c.forcedBox) {
      EXPECT_EQ(asked.back().text, MandatoryVersionText());
      EXPECT_EQ(asked.back().caption, MessageCaption());
      EXPECT_EQ(asked.back().kind, MB_KIND_INFORMATION);
    }
  }
  EXPECT_TRUE(ends.empty());
}

TEST_F(RemoteConfigTest, AVersionWhoseUpdateFailedTodayIsNotOfferedAgainToday) {
  const std::string body =
      Served("<c><version><vlmr ver=\"1.6\">http://d/p.zip</vlmr></version></c>");
  struct TCase {
    const char* what;
    std::optional<TUpdateFailure> record;
    bool offered;
  };
  const TCase cases[] = {
      {"no failure", std::nullopt, true},
      {"1.6 failed today", TUpdateFailure{"1.6", TodayText(), "x", true}, false},
      {"1.6 failed today, not yet told", TUpdateFailure{"1.6", TodayText(), "x", false}, false},
      {"1.6 failed another day", TUpdateFailure{"1.6", "2001-01-01", "x", true}, true},
      {"another version failed today", TUpdateFailure{"1.55", TodayText(), "x", true}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(temp.File("update-failed.txt"));
    if (c.record) {
      ASSERT_TRUE(WriteUpdateFailure(temp.Path().string(), *c.record));
    }
    TRecordingWindow w;
    TRemoteConfig config(w, "http://cfg.example/newapi/config.txt", temp.File("update"));
    config.OnConfig(body);
    EXPECT_EQ(w.info != nullptr, c.offered);
    EXPECT_EQ(w.startups, 1);
  }
}

TEST_F(RemoteConfigTest, ThreeFailedAttemptsGiveUpWithTheMessageAndEndTheProcess) {
  TRemoteConfig config(window, "http://cfg.example/newapi/config.txt", temp.File("update"));
  config.OnConfig("");
  config.OnConfig("xx");  // no element: also arms the start-up timer
  EXPECT_EQ(window.retries, 2);
  EXPECT_EQ(window.startups, 1);
  EXPECT_TRUE(boxes->Asked().empty());
  EXPECT_TRUE(ends.empty());
  config.OnConfig("");
  EXPECT_EQ(config.RetryCount(), 3);
  EXPECT_EQ(window.retries, 2);
  ASSERT_EQ(boxes->Asked().size(), 1u);
  EXPECT_EQ(boxes->Asked()[0].text, ConfigGiveUpText());
  EXPECT_EQ(boxes->Asked()[0].kind, MB_KIND_INFORMATION);
  EXPECT_EQ(ends, std::vector<TProcessEnd>{TProcessEnd::ById});
}

TEST_F(RemoteConfigTest, FetchesOnItsOwnThreadAndHandsTheEffectsToTheUiThread) {
  test::TSimulatedWeb web;
  test::TConnectToWeb route(web);
  web.AddPage("cfg.example", "/newapi/config.txt",
              test::TPage::Bytes(Served("<c><version><vlmr ver=\"1.6\">http://d/p.zip</vlmr>"
                                        "</version><system><loginurl>http://s/</loginurl>"
                                        "</system></c>"),
                                 "text/plain"));
  web.AddPage("bad.example", "/newapi/config.txt", test::TPage::Error(404, "<html>404</html>"));

  TRemoteConfig config(window, "http://cfg.example/newapi/config.txt", temp.File("update"));
  config.Fetch();
  ASSERT_TRUE(ui->ProcessUntil([&] { return window.startups == 1; }, 10000));
  EXPECT_FALSE(window.offUiThread);
  EXPECT_EQ(window.serviceBaseUrl, "http://s/");
  ASSERT_TRUE(window.info);
  EXPECT_TRUE(window.info->HasUpdate);
  ASSERT_EQ(web.Requests().size(), 1u);
  EXPECT_EQ(web.Requests()[0].Header("User-Agent"), kPlainUserAgent);

  // A 404 page is a body (the plain client): it decodes to nothing, a retry and the start-up.
  TRecordingWindow other;
  TRemoteConfig bad(other, "http://bad.example/newapi/config.txt", temp.File("update"));
  bad.Fetch();
  ASSERT_TRUE(ui->ProcessUntil([&] { return other.retries == 1 && other.startups == 1; }, 10000));
}

TEST_F(RemoteConfigTest, AFetchEndingAfterTheOwnerWentReachesNothing) {
  test::TSimulatedWeb web;
  test::TConnectToWeb route(web);
  web.AddHost("slow.example", test::TPage::Faulty(test::TFault::StallBeforeHeaders));
  {
    TRecordingWindow gone;
    auto config = std::make_unique<TRemoteConfig>(gone, "http://slow.example/newapi/config.txt",
                                                  temp.File("update"));
    config->Fetch();
    ASSERT_TRUE(web.WaitForStalled(1, 10000));
    config.reset();
  }
  web.ReleaseStalls();
  // The empty 200 answer arrives with no window to reach; the worker still ends.
  EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(10000, [&] { ui->ProcessEvents(); }));
  EXPECT_TRUE(ends.empty());
  EXPECT_TRUE(boxes->Asked().empty());
}

}  // namespace
}  // namespace vlmr
