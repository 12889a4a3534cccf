// The remote configuration's round: fetch the configuration (THttpCreate), read it on the
// fetch thread (OnConfig), and hand every effect to the window's thread through TConfigWindow:
//   - a document was read: the service base address (when it has a <system>), the update when
//     a newer program is offered and its update did not fail today (net/UpdateFailure.h),
//     after the mandatory-version box when it is forced, then the start-up timer;
//   - no element in the decoded text: a retry and the start-up timer;
//   - an empty body: a retry.
// A retry raises the count first and re-arms the retry timer while the count is at most 2,
// so three attempts are made in all; then the give-up box is shown and the process ends by its
// own id. Destroying the object detaches it: no later effect reaches the window.
#pragma once

#include <memory>
#include <string>

#include "base/LifeLink.h"

#include "net/UpDateInfo.h"

namespace vlmr {

// The window's side; every call runs on the UI thread.
class TConfigWindow {
 public:
  virtual ~TConfigWindow() = default;
  virtual void ConfigServiceBaseUrl(const std::string& url) = 0;
  // Opens the update window (WM_UPDATE_NOTIFY 1) and starts the update with `info`.
  virtual void ConfigStartUpdate(std::unique_ptr<TUpDateInfo> info) = 0;
  virtual void ConfigArmRetry() = 0;    // tmrconfig
  virtual void ConfigArmStartup() = 0;  // tmrinit
};

class TRemoteConfig {
 public:
  static constexpr int kMaxRetryCount = 2;

  // `updaterPath`: the updater beside the program (renewed when a newer one is offered); its
  // folder is the program's, where the record of a failed update lies.
  TRemoteConfig(TConfigWindow& window, std::string url, std::string updaterPath);
  ~TRemoteConfig();
  TRemoteConfig(const TRemoteConfig&) = delete;
  TRemoteConfig& operator=(const TRemoteConfig&) = delete;

  // Starts one fetch on a thread of its own; OnConfig gets its body. UI thread.
  void Fetch();
  // The configuration handler; runs on the fetch thread (any thread in tests).
  void OnConfig(const std::string& buffer);

  int RetryCount() const;
  const std::string& Url() const;

  struct TShared;

 private:
  std::shared_ptr<TShared> shared_;
  TLifeLink<TConfigWindow> window_;  // cut when this goes: no later effect reaches the window
};

// The message texts (GBK).
std::string MandatoryVersionText();
std::string ConfigGiveUpText();

}  // namespace vlmr
