#include "net/AutoUpdate.h"

#include "base/Utils.h"
#include "net/DownIdHttp.h"
#include "net/PackageSignature.h"
#include "net/VendorSettings.h"

namespace vlmr {

TAutoUpdate::TAutoUpdate(TWindowHandle window, std::unique_ptr<TUpDateInfo> info)
    : window_(std::move(window)),
      info_(info ? std::move(info) : std::make_unique<TUpDateInfo>()),
      link_(std::make_shared<TLink>()) {
  link_->owner = this;
}

TAutoUpdate::~TAutoUpdate() {
  link_->owner = nullptr;
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
                                 std::uint32_t crc, const std::string& signature, std::uint8_t kind,
                                 void (TAutoUpdate::*done)(std::uint8_t)) {
  std::shared_ptr<TLink> link = link_;
  std::string key = UpdatePublicKey();
  // A package without a valid signature is never used, whatever its CRC-32 says.
  auto verify = [signature, key](const std::string& path) {
    return VerifyPackageSignature(path, signature, key);
  };
  return TDownIdHttp::Launch(
      window_, url, AppFolder() + fileName, WM_UPDATE_NOTIFY, crc, kind,
      [link, done](TDownIdHttp& d) {
        if (TAutoUpdate* owner = link->owner) {
          owner->download_ = nullptr;
          (owner->*done)(d.Status());
        }
      },
      verify);
}

void TAutoUpdate::Start() {
  if (!info_->HasUpdate || download_)
    return;
  download_ = Launch(info_->PackageUrl, "update.zip", info_->PackageCrc, info_->PackageSig,
                     TDownIdHttp::kKindKeep, &TAutoUpdate::PackageDone);
}

void TAutoUpdate::PackageDone(std::uint8_t status) {
  if (status != TDownIdHttp::kStatusDone) {
    window_->Post(WM_UPDATE_NOTIFY, StatusParam(status), 0);
    return;
  }
  if (!info_->UpdaterWanted) {
    Notify(kUpdateInstall);
    return;
  }
  download_ = Launch(info_->UpdaterUrl, "up.zip", info_->UpdaterCrc, info_->UpdaterSig,
                     TDownIdHttp::kKindUnpack, &TAutoUpdate::UpdaterDone);
}

void TAutoUpdate::UpdaterDone(std::uint8_t status) {
  if (status != TDownIdHttp::kStatusDone) {
    window_->Post(WM_UPDATE_NOTIFY, StatusParam(status), 0);
    return;
  }
  Notify(kUpdateInstall);
}

}  // namespace vlmr
