#include "net/AutoUpdate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "VendorKit.h"
#include "base/Dispatcher.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "net/DownIdHttp.h"
#include "net/UpdateFailure.h"
#include "net/UpdateManifest.h"
#include "net/VendorSettings.h"
#include "support/ConnectToWeb.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"
#include "support/TestText.h"
#include "support/ZipBuilder.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TPage;
using test::TTempFolder;

constexpr int kWait = 10000;  // upper bound only

using test::Crc;

class AutoUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keys = *vendor::GenerateKeyPair();
    SetUpdatePublicKeyForTesting(keys.publicBase64);
    SetAppFolderOverride(temp.Path().string());
    package = test::TZipBuilder().AddFile("vlmr", "new program").Bytes();
    updater = test::TZipBuilder().AddFile("update", "new updater").Bytes();
    web.AddPage("dl.vendor.com", "/update.zip", TPage::Bytes(package, "application/zip"));
    web.AddPage("dl.vendor.com", "/up.zip", TPage::Bytes(updater, "application/zip"));
    TPage unsized = TPage::Bytes(package, "application/zip");
    unsized.withLength = false;
    web.AddPage("dl.vendor.com", "/unsized.zip", unsized);
    web.AddPage("dl.vendor.com", "/gone.zip", TPage::Error(404, "gone"));
  }
  void TearDown() override {
    update.reset();
    EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
    SetAppFolderOverride("");
    SetUpdatePublicKeyForTesting("");
  }

  // The signature of the manifest of `product`, `version` and `data`'s SHA-256.
  std::string Sig(const std::string& product, const std::string& version, const std::string& data) {
    TUpdateManifest m{product, version, Sha256Hex(data), {}, {}};
    return *vendor::SignBytes(keys.privatePem, m.SignedText());
  }

  TUpDateInfo Offer(bool withUpdater) {
    TUpDateInfo info;
    info.HasUpdate = true;
    info.PackageUrl = "http://dl.vendor.com/update.zip";
    info.PackageCrc = Crc(package);
    info.PackageVersion = "1.6";
    info.PackageSha256 = Sha256Hex(package);
    info.PackageSig = Sig(kProgramProduct, "1.6", package);
    if (withUpdater) {
      info.UpdaterWanted = true;
      info.UpdaterUrl = "http://dl.vendor.com/up.zip";
      info.UpdaterCrc = Crc(updater);
      info.UpdaterVersion = "1.0.0.3";
      info.UpdaterSha256 = Sha256Hex(updater);
      info.UpdaterSig = Sig(kUpdaterProduct, "1.0.0.3", updater);
    }
    return info;
  }

  // Runs the sequence until it ends (5, 0 or -1); the WParam it ended with.
  std::intptr_t Run(const TUpDateInfo& info) {
    progress.clear();
    ended.reset();
    update = std::make_unique<TAutoUpdate>(window, std::make_unique<TUpDateInfo>(info));
    update->Start();
    EXPECT_TRUE(ui->ProcessUntil([&] { return ended.has_value(); }, kWait));
    return ended.value_or(99);
  }

  TScopedQueueDispatcher ui;
  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
  test::TTempFolder temp;
  vendor::TKeyPair keys;
  std::string package, updater;
  std::vector<std::intptr_t> progress;
  std::optional<std::intptr_t> ended;
  TWindowHandle window =
      TMessageTarget::Create([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
        EXPECT_EQ(m, WM_UPDATE_NOTIFY);
        auto wParam = static_cast<std::intptr_t>(w);
        if (wParam == kUpdateProgress)
          progress.push_back(l);
        else
          ended = wParam;
        return std::intptr_t{0};
      });
  std::unique_ptr<TAutoUpdate> update;
};

TEST_F(AutoUpdateTest, WithoutTheUpdaterOnlyThePackageIsFetchedThenInstall) {
  EXPECT_EQ(Run(Offer(false)), kUpdateInstall);
  EXPECT_EQ(test::TTempFolder::Read(temp.File("update.zip")), package);
  EXPECT_EQ(web.Requests().size(), 1u);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(update->Download(), nullptr);
  // A CRC of 0 is not checked; the signature still is.
  TUpDateInfo unchecked = Offer(false);
  unchecked.PackageCrc = 0;
  EXPECT_EQ(Run(unchecked), kUpdateInstall);
}

TEST_F(AutoUpdateTest, WithTheUpdaterBothDownloadsRunFromZeroToHundredAndUpZipIsUnpacked) {
  EXPECT_EQ(Run(Offer(true)), kUpdateInstall);
  EXPECT_EQ(test::TTempFolder::Read(temp.File("update.zip")), package);
  EXPECT_EQ(test::TTempFolder::Read(temp.File("update")), "new updater");
  EXPECT_FALSE(fs::exists(temp.File("up.zip")));
  ASSERT_EQ(web.Requests().size(), 2u);
  EXPECT_EQ(web.Requests()[1].path, "/up.zip");
  // Never backwards within one download; 100 ends each of the two.
  int hundreds = 0;
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GE(progress[i], 0);
    EXPECT_LE(progress[i], 100);
    if (i > 0 && progress[i - 1] != 100) {
      EXPECT_GE(progress[i], progress[i - 1]);
    }
    hundreds += progress[i] == 100;
  }
  EXPECT_EQ(hundreds, 2);
}

TEST_F(AutoUpdateTest, AFailedCheckDeletesTheFileRecordsTheVersionAndStalls) {
  struct TCase {
    const char* what;
    std::function<void(TUpDateInfo&)> spoil;
    std::intptr_t end;
    std::size_t requests;
  };
  const TCase cases[] = {
      {"package CRC", [](TUpDateInfo& i) { i.PackageCrc ^= 1; }, kUpdateBadCheck, 1},
      {"a signed 1.6 offered as 1.7", [](TUpDateInfo& i) { i.PackageVersion = "1.7"; },
       kUpdateBadCheck, 1},
      {"a signed older package offered as 1.6",
       [this](TUpDateInfo& i) { i.PackageSig = Sig(kProgramProduct, "1.4", package); },
       kUpdateBadCheck, 1},
      {"the hash of other bytes",
       [](TUpDateInfo& i) { i.PackageSha256 = Sha256Hex("other bytes"); }, kUpdateBadCheck, 1},
      {"the updater's manifest for the program",
       [this](TUpDateInfo& i) { i.PackageSig = Sig(kUpdaterProduct, "1.6", package); },
       kUpdateBadCheck, 1},
      {"package without signature", [](TUpDateInfo& i) { i.PackageSig.clear(); }, kUpdateBadCheck,
       1},
      {"package signature not base64", [](TUpDateInfo& i) { i.PackageSig = "!!"; }, kUpdateBadCheck,
       1},
      {"CRC 0 is not checked, the manifest still is",
       [](TUpDateInfo& i) {
         i.PackageCrc = 0;
         i.PackageSig.clear();
       },
       kUpdateBadCheck, 1},
      {"updater CRC", [](TUpDateInfo& i) { i.UpdaterCrc ^= 1; }, kUpdateBadCheck, 2},
      {"updater offered as another version", [](TUpDateInfo& i) { i.UpdaterVersion = "1.0.0.9"; },
       kUpdateBadCheck, 2},
      {"the program's manifest for the updater",
       [this](TUpDateInfo& i) { i.UpdaterSig = Sig(kProgramProduct, "1.0.0.3", updater); },
       kUpdateBadCheck, 2},
      {"package missing", [](TUpDateInfo& i) { i.PackageUrl = "http://dl.vendor.com/gone.zip"; },
       kUpdateNotFinished, 1},
      {"updater missing", [](TUpDateInfo& i) { i.UpdaterUrl = "http://dl.vendor.com/gone.zip"; },
       kUpdateNotFinished, 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* f : {"update.zip", "up.zip", "update", "update-failed.txt"})
      fs::remove(temp.File(f));
    TTempFolder::Write(temp.File("uplog.txt"), "left from an earlier run\r\n");
    web.ClearRequests();
    TUpDateInfo info = Offer(true);
    c.spoil(info);
    EXPECT_EQ(Run(info), c.end);
    EXPECT_EQ(web.Requests().size(), c.requests);
    // Nothing is left for the updater to find, and nothing was unpacked.
    EXPECT_FALSE(fs::exists(temp.File("update.zip")));
    EXPECT_FALSE(fs::exists(temp.File("up.zip")));
    EXPECT_FALSE(fs::exists(temp.File("uplog.txt")));
    EXPECT_FALSE(fs::exists(temp.File("update")));
    EXPECT_FALSE(update->FailureReason().empty());
    // A refusal keeps the version from being taken again today; a broken transfer does not.
    std::optional<TUpdateFailure> record = ReadUpdateFailure(temp.Path().string());
    EXPECT_EQ(record.has_value(), c.end == kUpdateBadCheck);
    if (record) {
      EXPECT_TRUE(FailedOn(temp.Path().string(), info.PackageVersion, TodayText()));
      EXPECT_TRUE(record->shown);  // the update window says it
    }
  }
}

TEST_F(AutoUpdateTest, AServerThatSendsNoSizeGivesNoProgressAndStillFinishes) {
  TUpDateInfo info = Offer(false);
  info.PackageUrl = "http://dl.vendor.com/unsized.zip";
  EXPECT_EQ(Run(info), kUpdateInstall);
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(test::TTempFolder::Read(temp.File("update.zip")), package);
}

TEST_F(AutoUpdateTest, NoOfferStartsNothingAndAnHttpsAddressIsADownloadAddress) {
  TUpDateInfo none;
  update = std::make_unique<TAutoUpdate>(window, std::make_unique<TUpDateInfo>(none));
  update->Start();
  EXPECT_EQ(update->Download(), nullptr);
  EXPECT_TRUE(web.Requests().empty());

  struct TCase {
    const char* url;
    bool accepted;
  };
  const TCase cases[] = {
      {"http://a/b.zip", true}, {"HTTPS://a/b.zip", true},    {"https://a/b.zip", true},
      {"ftp://a/b.zip", false}, {"file:///tmp/b.zip", false}, {"", false},
      {"a/https://", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(TDownIdHttp::IsDownloadUrl(c.url), c.accepted) << c.url;
  EXPECT_EQ(TAutoUpdate::StatusParam(255), static_cast<std::uintptr_t>(-1));
  EXPECT_EQ(TAutoUpdate::StatusParam(0), 0u);
}

TEST_F(AutoUpdateTest, DestroyingTheUpdateStopsTheDownloadAndDetachesFromIt) {
  web.AddHost("slow.vendor.com",
              TPage::Faulty(test::TFault::StallInBody, std::string(100'000, 'z'), 40'000));
  TUpDateInfo info = Offer(false);
  info.PackageUrl = "http://slow.vendor.com/update.zip";
  update = std::make_unique<TAutoUpdate>(window, std::make_unique<TUpDateInfo>(info));
  update->Start();
  ASSERT_TRUE(web.WaitForStalled(1, kWait));
  update.reset();
  EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [&] { ui->ProcessEvents(); }));
  EXPECT_FALSE(ended.has_value());
  EXPECT_FALSE(fs::exists(temp.File("update.zip")));
}

}  // namespace
}  // namespace vlmr
