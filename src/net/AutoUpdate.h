// The automatic update: downloads the program package as "update.zip" into the program's
// folder and, when the updater must be renewed, the updater package "up.zip" (unpacked there
// and deleted), then asks the window to install. Each package must pass its CRC-32 (when one
// is given) and its signed manifest (net/UpdateManifest.h: signature against the built-in
// key, product, offered version, SHA-256). A package that fails is deleted, never used, the
// failure is recorded for the day (net/UpdateFailure.h) and the sequence stalls.
//
// Messages WM_UPDATE_NOTIFY to the window: WParam 2 with the percentage (posted by the
// downloads), 5 to install, 0 for a download that did not finish, -1 (Status 255 as a signed
// byte) for a failed check. The completion handlers run on the UI thread; destroying the
// object stops a running download and detaches from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/LifeLink.h"
#include "base/MessageTarget.h"
#include "net/UpDateInfo.h"

namespace vlmr {

class TDownIdHttp;

inline constexpr std::uint32_t WM_UPDATE_NOTIFY = 3043;

inline constexpr std::intptr_t kUpdateOpenWindow = 1;
inline constexpr std::intptr_t kUpdateProgress = 2;
inline constexpr std::intptr_t kUpdateInstall = 5;
inline constexpr std::intptr_t kUpdateNotFinished = 0;
inline constexpr std::intptr_t kUpdateBadCheck = -1;

class TAutoUpdate {
 public:
  TAutoUpdate(TWindowHandle window, std::unique_ptr<TUpDateInfo> info);
  ~TAutoUpdate();
  TAutoUpdate(const TAutoUpdate&) = delete;
  TAutoUpdate& operator=(const TAutoUpdate&) = delete;

  // Begins the sequence (UI thread). Nothing happens without Info().HasUpdate.
  void Start();

  const TWindowHandle& Window() const { return window_; }
  const TUpDateInfo& Info() const { return *info_; }
  // The download running now, or none.
  TDownIdHttp* Download() const { return download_; }
  // Why the sequence stalled (GBK), once it has; empty before.
  const std::string& FailureReason() const { return failure_; }

  // WParam for a download's Status: the status as a signed byte.
  static std::uintptr_t StatusParam(std::uint8_t status);

 private:
  struct TVerdict;

  void PackageDone(std::uint8_t status);
  void UpdaterDone(std::uint8_t status);
  // Ends the sequence for a download that did not succeed.
  void Stall(std::uint8_t status, const std::string& fileName);
  TDownIdHttp* Launch(const std::string& url, const std::string& fileName, std::uint32_t crc,
                      const std::string& product, const std::string& version,
                      const std::string& sha256, const std::string& signature, std::uint8_t kind,
                      void (TAutoUpdate::*done)(std::uint8_t));
  void Notify(std::intptr_t wParam);

  TWindowHandle window_;
  std::unique_ptr<TUpDateInfo> info_;
  TDownIdHttp* download_ = nullptr;
  std::shared_ptr<TVerdict> verdict_;
  std::string failure_;
  TLifeLink<TAutoUpdate> life_{*this};  // what the downloads' completion handlers reach
};

}  // namespace vlmr
