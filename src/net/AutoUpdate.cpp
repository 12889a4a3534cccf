#include "net/AutoUpdate.h"

#include <filesystem>
#include <mutex>

#include "base/Text.h"
#include "base/Utils.h"
#include "net/DownIdHttp.h"
#include "net/UpdateFailure.h"
#include "net/UpdateManifest.h"
#include "net/VendorSettings.h"

namespace vlmr {

// The verdict of the last package check, written on the download thread.
struct TAutoUpdate::TVerdict {
  std::mutex mutex;
  std::string refusal;
};

TAutoUpdate::TAutoUpdate(TWindowHandle window, std::unique_ptr<TUpDateInfo> info)
    : window_(std::move(window)),
      info_(info ? std::move(info) : std::make_unique<TUpDateInfo>()),
      verdict_(std::make_shared<TVerdict>()) {}

TAutoUpdate::~TAutoUpdate() {
  life_.Cut();
  // Its completion handler has not run yet (both run on the UI thread), so the pointer holds.
  if (download_)
    download_->Terminate();
}

std::uintptr_t TAutoUpdate::StatusParam(std::uint8_t status) {
  return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int8_t>(status)));
}

void TAutoUpdate::Notify(std::intptr_t wParam) {
  if (window_)
    window_->Post(WM_UPDATE_NOTIFY, static_cast<std::uintptr_t>(wParam), 0);
}

TDownIdHttp* TAutoUpdate::Launch(const std::string& url, const std::string& fileName,
                                 std::uint32_t crc, const std::string& product,
                                 const std::string& version, const std::string& sha256,
                                 const std::string& signature, std::uint8_t kind,
                                 void (TAutoUpdate::*done)(std::uint8_t)) {
  std::shared_ptr<TVerdict> verdict = verdict_;
  {
    std::lock_guard lock(verdict->mutex);
    verdict->refusal.clear();
  }
  TUpdateManifest manifest{product, version, sha256, signature, {}};
  std::string key = UpdatePublicKey();
  // A package whose manifest does not hold is never used, whatever its CRC-32 says.
  auto verify = [verdict, manifest, key](const std::string& path) {
    TPackageCheck check = CheckPackage(path, manifest, manifest.product, key);
    std::lock_guard lock(verdict->mutex);
    verdict->refusal = PackageCheckReason(check);
    return check == TPackageCheck::Ok;
  };
  return TDownIdHttp::Launch(
      window_, url, AppFolder() + fileName, WM_UPDATE_NOTIFY, crc, kind,
      [owner = life_.Token(), done](TDownIdHttp& d) {
        owner.With([&](TAutoUpdate& update) {
          update.download_ = nullptr;
          (update.*done)(d.Status());
        });
      },
      verify);
}

void TAutoUpdate::Start() {
  if (!info_->HasUpdate || download_)
    return;
  // Leftovers of an earlier hand-over are never taken for this one.
  std::error_code ec;
  std::filesystem::remove(AppFolder() + "uplog.txt", ec);
  download_ = Launch(info_->PackageUrl, "update.zip", info_->PackageCrc, kProgramProduct,
                     info_->PackageVersion, info_->PackageSha256, info_->PackageSig,
                     TDownIdHttp::kKindKeep, &TAutoUpdate::PackageDone);
}

void TAutoUpdate::Stall(std::uint8_t status, const std::string& fileName) {
  if (status == TDownIdHttp::kStatusBadCrc) {
    // A refused package is deleted, never kept where the updater would find it, and the same
    // version is not taken again today.
    std::error_code ec;
    std::filesystem::remove(AppFolder() + fileName, ec);
    {
      std::lock_guard lock(verdict_->mutex);
      failure_ = verdict_->refusal;
    }
    if (failure_.empty())
      failure_ = PackageCheckReason(TPackageCheck::BadHash);  // the CRC-32
    WriteUpdateFailure(AppFolder(), {info_->PackageVersion, TodayText(), failure_, true});
  } else {
    failure_ = Utf8ToGbk("下载没有完成");
  }
  if (window_)
    window_->Post(WM_UPDATE_NOTIFY, StatusParam(status), 0);
}

void TAutoUpdate::PackageDone(std::uint8_t status) {
  if (status != TDownIdHttp::kStatusDone) {
    Stall(status, "update.zip");
    return;
  }
  if (!info_->UpdaterWanted) {
    Notify(kUpdateInstall);
    return;
  }
  download_ = Launch(info_->UpdaterUrl, "up.zip", info_->UpdaterCrc, kUpdaterProduct,
                     info_->UpdaterVersion, info_->UpdaterSha256, info_->UpdaterSig,
                     TDownIdHttp::kKindUnpack, &TAutoUpdate::UpdaterDone);
}

void TAutoUpdate::UpdaterDone(std::uint8_t status) {
  if (status != TDownIdHttp::kStatusDone) {
    // The program package is of no use without its updater.
    std::error_code ec;
    std::filesystem::remove(AppFolder() + "update.zip", ec);
    Stall(status, "up.zip");
    return;
  }
  Notify(kUpdateInstall);
}

}  // namespace vlmr
