#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "VendorKit.h"
#include "app/MainWindow.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "net/AutoUpdate.h"
#include "net/ProcessEnd.h"
#include "net/RemoteConfig.h"
#include "net/UpdateFailure.h"
#include "net/UpdateManifest.h"
#include "net/VendorSettings.h"
#include "platform/UserFolders.h"
#include "support/ConnectToWeb.h"
#include "support/PresetMessageBoxes.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"
#include "support/TestText.h"
#include "support/VendorSite.h"
#include "support/ZipBuilder.h"
#include "windows/ContactWindow.h"
#include "windows/NoticePopup.h"
#include "windows/UpdateWindow.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;

constexpr int kWait = 15000;  // upper bound only

using test::Crc;

class MainWindowVendorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp.Path() / "app");
    fs::create_directories(temp.Path() / "home" / "Desktop");
    fs::create_directories(temp.Path() / "vendor");
    SetAppFolderOverride((temp.Path() / "app").string());
    SetUserFoldersRootForTesting((temp.Path() / "home").string());
    keys = *vendor::GenerateKeyPair();
    SetUpdatePublicKeyForTesting(keys.publicBase64);
    SetVendorConfigHostForTesting("cfg.vendor.test");
    SetProcessEndHookForTesting([this](TProcessEnd way) { ends.push_back(way); });
    for (const char* host : {"cfg.vendor.test", "svc.vendor.test", "dl.vendor.test"})
      test::AddVendorSite(web, host, Vendor());
    package = test::TZipBuilder().AddFile("vlmr", "new program").Bytes();
    TTempFolder::Write(temp.Path() / "vendor" / "update.zip", package);
  }
  void TearDown() override {
    window.reset();
    EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [] { QApplication::processEvents(); }));
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->testAttribute(Qt::WA_DeleteOnClose))
        w->close();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    InstallMessageBoxService(nullptr);
    SetProcessEndHookForTesting({});
    SetVendorConfigHostForTesting(nullptr);
    SetUpdatePublicKeyForTesting("");
    SetAppFolderOverride("");
    SetUserFoldersRootForTesting("");
  }

  std::string Vendor() const { return (temp.Path() / "vendor").string(); }
  std::string App(const char* name) const { return (temp.Path() / "app" / name).string(); }

  void Configure(const std::string& vlmrAttributes) {
    test::WriteVendorConfig(
        Vendor(), "<config><version><vlmr " + vlmrAttributes +
                      ">http://dl.vendor.test/update.zip"
                      "</vlmr></version><system><loginurl>http://svc.vendor.test/</loginurl>"
                      "</system></config>");
  }
  std::string Signed(const char* ver) {
    return *vendor::PackageAttributes(keys.privatePem, package, ver, kProgramProduct);
  }
  // An updater that notes it was started.
  void PlaceUpdater() {
    TTempFolder::Write(App("update"), "#!/bin/sh\necho ran > \"$(dirname \"$0\")/updater-ran\"\n");
    fs::permissions(App("update"), fs::perms::owner_all);
  }

  Tfmjssml& NewWindow() {
    window = std::make_unique<Tfmjssml>();
    // The timers' own clocks: no test waits a second for them.
    window->tmrconfig->setInterval(0);
    window->tmrinit->setInterval(0);
    return *window;
  }

  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
  TTempFolder temp;
  std::shared_ptr<test::TPresetMessageBoxes> boxes = test::TPresetMessageBoxes::Install();
  vendor::TKeyPair keys;
  std::string package;
  std::vector<TProcessEnd> ends;
  std::unique_ptr<Tfmjssml> window;
};

TEST_F(MainWindowVendorTest, WithoutAVendorNothingIsFetchedAndThePopupStaysShut) {
  SetVendorConfigHostForTesting("");
  Tfmjssml& w = NewWindow();
  EXPECT_EQ(w.remoteConfig, nullptr);
  EXPECT_TRUE(w.tmrinit->isActive());
  EXPECT_FALSE(w.tmrconfig->isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.tmrinit->isActive(); }, kWait));
  QApplication::processEvents();
  EXPECT_EQ(Tfmwinpop::Instance(), nullptr);
  EXPECT_TRUE(w.serviceBaseUrl.empty());
  EXPECT_TRUE(web.Requests().empty());
  EXPECT_TRUE(ends.empty());
  // Nothing to contact or describe without a vendor.
  EXPECT_FALSE(w.actContact->isEnabled());
  EXPECT_FALSE(w.actIntro->isEnabled());
}

TEST_F(MainWindowVendorTest, AnUpdateFailureIsToldOnceAtTheNextStart) {
  SetVendorConfigHostForTesting("");
  WriteUpdateFailure((temp.Path() / "app").string(),
                     {"1.6", TodayText(), Utf8ToGbk("升级包中没有程序文件"), false});
  for (int start = 0; start < 2; ++start) {
    NewWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->tmrinit->isActive(); }, kWait));
    QApplication::processEvents();
    window.reset();
  }
  ASSERT_EQ(boxes->Asked().size(), 1u);
  EXPECT_EQ(boxes->Asked()[0].text, Utf8ToGbk("升级失败：升级包中没有程序文件，已恢复原版本"));
  EXPECT_EQ(boxes->Asked()[0].kind, MB_KIND_WARNING);
}

TEST_F(MainWindowVendorTest, AnOfferedUpdateOpensTheWindowDownloadsAndHandsOver) {
  Configure(Signed("1.6"));
  PlaceUpdater();
  Tfmjssml& w = NewWindow();
  w.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ends.empty(); }, kWait));
  EXPECT_EQ(ends, std::vector<TProcessEnd>{TProcessEnd::ByName});
  ASSERT_NE(w.UpdateWindow(), nullptr);
  EXPECT_TRUE(w.UpdateWindow()->isVisible());
  EXPECT_EQ(w.UpdateWindow()->pro1->value(), 100);
  EXPECT_EQ(TTempFolder::Read(App("update.zip")), package);
  EXPECT_EQ(TTempFolder::Read(App("uplog.txt")), ExeFileName() + "\r\n");
  EXPECT_EQ(ParseManifestFile(TTempFolder::Read(App("update.manifest")))->version, "1.6");
  EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(App("updater-ran")); }, kWait));
  EXPECT_FALSE(w.TrayIcon1->isVisible());
  EXPECT_EQ(w.serviceBaseUrl, "http://svc.vendor.test/");
  EXPECT_TRUE(boxes->Asked().empty());
  ASSERT_GE(web.Requests().size(), 2u);
  EXPECT_EQ(web.Requests()[0].host, "cfg.vendor.test");
  EXPECT_EQ(web.Requests()[0].path, "/newapi/config.txt");
  // The package came from its own host (the popup's page may be asked for meanwhile).
  const auto requests = web.Requests();
  EXPECT_TRUE(std::any_of(requests.begin() + 1, requests.end(),
                          [](const auto& r) { return r.host == "dl.vendor.test"; }));
}

TEST_F(MainWindowVendorTest, AForcedUpdateAsksFirstAndABadSignatureStallsIt) {
  std::string attributes = Signed("2.0") + " force=\"1\"";
  attributes.replace(attributes.find("sig=\"") + 5, 4, "AAAA");
  Configure(attributes);
  Tfmjssml& w = NewWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.autoUpdate && !w.autoUpdate->Download(); }, kWait));
  QApplication::processEvents();
  ASSERT_EQ(boxes->Asked().size(), 1u);
  EXPECT_EQ(boxes->Asked()[0].text, MandatoryVersionText());
  ASSERT_NE(w.UpdateWindow(), nullptr);
  // Stalled: the window says the update failed and can be closed; the program goes on.
  EXPECT_TRUE(w.UpdateWindow()->isVisible());
  EXPECT_TRUE(w.UpdateWindow()->Failed());
  EXPECT_TRUE(
      w.UpdateWindow()->Label1->text().startsWith(QString::fromUtf8("升级失败：升级包的签名无效")));
  EXPECT_FALSE(fs::exists(App("update.zip")));  // a refused package is not kept
  EXPECT_FALSE(fs::exists(App("uplog.txt")));
  EXPECT_TRUE(FailedOn((temp.Path() / "app").string(), "2.0", TodayText()));
  EXPECT_TRUE(ends.empty());
  EXPECT_TRUE(w.TrayIcon1->isVisible());
  // The popup of the start-up timer asks the service for its page.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return web.RequestsTo("svc.vendor.test").size() == 1; }, kWait));
  EXPECT_EQ(web.RequestsTo("svc.vendor.test")[0].target, "/pop.aspx?t=9");
}

TEST_F(MainWindowVendorTest, WithoutAnUpdaterToHandOverToTheProgramGoesOn) {
  Configure(Signed("1.6"));
  Tfmjssml& w = NewWindow();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return w.UpdateWindow() && w.UpdateWindow()->Failed(); }, kWait));
  EXPECT_TRUE(ends.empty());
  EXPECT_TRUE(w.TrayIcon1->isVisible());
  for (const char* gone : {"update.zip", "update.manifest", "uplog.txt"})
    EXPECT_FALSE(fs::exists(App(gone))) << gone;
  w.UpdateWindow()->close();
  EXPECT_FALSE(w.UpdateWindow()->isVisible());
}

TEST_F(MainWindowVendorTest, StoppingTheVendorWorkEndsADownloadInFlight) {
  web.AddHost("dl.vendor.test",
              test::TPage::Faulty(test::TFault::StallInBody, std::string(100'000, 'z'), 40'000));
  Configure(Signed("1.6"));
  Tfmjssml& w = NewWindow();
  // Events keep running while waiting: the configuration reaches the window through them.
  ASSERT_TRUE(QTest::qWaitFor([&] { return web.Stalled() == 1; }, kWait));
  ASSERT_TRUE(w.autoUpdate && w.autoUpdate->Download());
  w.StopVendorWork();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.autoUpdate->Download(); }, kWait));
  EXPECT_FALSE(fs::exists(App("update.zip")));
  EXPECT_TRUE(ends.empty());
  ASSERT_NE(w.UpdateWindow(), nullptr);
  EXPECT_TRUE(w.UpdateWindow()->isVisible());  // a download that did not finish: the window stays
}

TEST_F(MainWindowVendorTest, AnUnreachableConfigurationIsTriedThreeTimesThenTheProgramEnds) {
  web.RemoveHost("cfg.vendor.test");  // connections are reset: empty bodies
  Tfmjssml& w = NewWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ends.empty(); }, kWait));
  EXPECT_EQ(ends, std::vector<TProcessEnd>{TProcessEnd::ById});
  EXPECT_EQ(w.remoteConfig->RetryCount(), 3);
  EXPECT_EQ(web.RequestsTo("cfg.vendor.test").size(), 3u);
  ASSERT_EQ(boxes->Asked().size(), 1u);
  EXPECT_EQ(boxes->Asked()[0].text, ConfigGiveUpText());
  EXPECT_FALSE(w.tmrinit->isActive());
  EXPECT_EQ(w.UpdateWindow(), nullptr);
}

TEST_F(MainWindowVendorTest, UpdateMessagesDriveTheUpdateWindow) {
  SetVendorConfigHostForTesting("");
  Tfmjssml& w = NewWindow();
  const TWindowHandle& h = w.Handle();
  h->Send(WM_UPDATE_NOTIFY, kUpdateProgress, 40);  // no window yet: nothing
  EXPECT_EQ(w.UpdateWindow(), nullptr);
  h->Send(WM_UPDATE_NOTIFY, kUpdateOpenWindow, 0);
  ASSERT_NE(w.UpdateWindow(), nullptr);
  h->Send(WM_UPDATE_NOTIFY, kUpdateProgress, 40);
  EXPECT_EQ(w.UpdateWindow()->pro1->value(), 40);
  Tfmupwin* first = w.UpdateWindow();
  h->Send(WM_UPDATE_NOTIFY, kUpdateOpenWindow, 0);
  EXPECT_EQ(w.UpdateWindow(), first);
  h->Send(WM_UPDATE_NOTIFY, 7, 0);
  EXPECT_FALSE(w.UpdateWindow()->Failed());
  w.UpdateWindow()->close();  // refused while the update runs
  EXPECT_TRUE(w.UpdateWindow()->isVisible());
  h->Send(WM_UPDATE_NOTIFY, static_cast<std::uintptr_t>(kUpdateBadCheck), 0);
  h->Send(WM_UPDATE_NOTIFY, kUpdateNotFinished, 0);
  EXPECT_TRUE(w.UpdateWindow()->isVisible());
  EXPECT_TRUE(w.UpdateWindow()->Failed());
  EXPECT_FALSE(w.UpdateWindow()->pro1->isVisible());
  EXPECT_TRUE(w.UpdateWindow()->btnClose->isVisible());
  EXPECT_TRUE(ends.empty());
  w.UpdateWindow()->btnClose->click();
  EXPECT_FALSE(w.UpdateWindow()->isVisible());
}

TEST_F(MainWindowVendorTest, TheHelpMenuOpensTheVendorWindowsOnTheServiceAddress) {
  Configure("ver=\"1.5\"");
  TTempFolder::Write(temp.Path() / "vendor" / "contact-kf1.txt", "020-1|7319|公司|李四|x");
  TTempFolder::Write(temp.Path() / "app" / "kqclient.cfg", "[config]\r\nfirst=1\r\np=kf1\r\n");
  Tfmjssml& w = NewWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.contactId.empty(); }, kWait));
  EXPECT_EQ(w.autoUpdate, nullptr);
  w.actContact->trigger();
  ASSERT_NE(Tfmabout::Instance(), nullptr);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Tfmabout::Instance()->lblmob->text() == QString::fromUtf8("联系电话：020-1"); },
      kWait));
  w.actIntro->trigger();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (const auto& r : web.RequestsTo("svc.vendor.test"))
          if (r.query == "action=des&t=8")
            return true;
        return false;
      },
      kWait));
}

}  // namespace
}  // namespace vlmr
