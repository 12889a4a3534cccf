#include "net/RemoteConfig.h"

#include <atomic>
#include <filesystem>
#include <functional>

#include "base/Dispatcher.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "net/ConfigDocument.h"
#include "net/HttpCreate.h"
#include "net/ProcessEnd.h"
#include "net/UpdateFailure.h"

namespace vlmr {

struct TRemoteConfig::TShared {
  std::string url;
  std::string updaterPath;
  std::atomic<int> retryCount{0};
  // The window, until the owner goes (TRemoteConfig cuts the link).
  TLifeToken<TConfigWindow> window;

  bool Detached() const { return !window.Alive(); }

  // Runs `effect` on the UI thread while the window is there; waits for it.
  void OnWindow(const std::function<void(TConfigWindow&)>& effect) {
    SendToUi([this, &effect] { window.With(effect); });
  }

  void RetryFetch() {
    int count = retryCount.fetch_add(1) + 1;
    if (count <= kMaxRetryCount) {
      OnWindow([](TConfigWindow& w) { w.ConfigArmRetry(); });
      return;
    }
    if (Detached())
      return;
    ShowMessageBox(ConfigGiveUpText(), MessageCaption(), MB_KIND_INFORMATION);
    if (!Detached())
      EndThisProcess(TProcessEnd::ById);
  }

  void OnConfig(const std::string& buffer) {
    if (buffer.empty()) {
      RetryFetch();
      return;
    }
    std::optional<TConfigDocument> doc;
    try {
      doc = ReadConfigDocument(buffer, updaterPath);
    } catch (...) {
      RetryFetch();  // an error while reading: no start-up timer
      return;
    }
    if (!doc) {
      RetryFetch();
      OnWindow([](TConfigWindow& w) { w.ConfigArmStartup(); });
      return;
    }
    std::unique_ptr<TUpDateInfo> info = std::move(doc->info);
    // A version whose update failed today is not taken again today.
    if (info->HasUpdate && FailedOn(std::filesystem::path(updaterPath).parent_path().string(),
                                    info->PackageVersion, TodayText()))
      info->HasUpdate = false;
    if (!info->HasUpdate) {
      info.reset();
    } else if (info->Forced && !Detached()) {
      ShowMessageBox(MandatoryVersionText(), MessageCaption(), MB_KIND_INFORMATION);
    }
    OnWindow([&](TConfigWindow& w) {
      if (doc->serviceBaseUrl)
        w.ConfigServiceBaseUrl(*doc->serviceBaseUrl);
      if (info)
        w.ConfigStartUpdate(std::move(info));
      w.ConfigArmStartup();
    });
  }
};

TRemoteConfig::TRemoteConfig(TConfigWindow& window, std::string url, std::string updaterPath)
    : shared_(std::make_shared<TShared>()), window_(window) {
  shared_->window = window_.Token();
  shared_->url = std::move(url);
  shared_->updaterPath = std::move(updaterPath);
}

TRemoteConfig::~TRemoteConfig() = default;

void TRemoteConfig::Fetch() {
  std::shared_ptr<TShared> shared = shared_;
  THttpCreate::Launch(shared->url,
                      [shared](const std::string& buffer) { shared->OnConfig(buffer); });
}

void TRemoteConfig::OnConfig(const std::string& buffer) {
  shared_->OnConfig(buffer);
}

int TRemoteConfig::RetryCount() const {
  return shared_->retryCount.load();
}

const std::string& TRemoteConfig::Url() const {
  return shared_->url;
}

std::string MandatoryVersionText() {
  return Utf8ToGbk("您的客户端版本太低，服务端已不支持，需升级到最新版本才能正常使用！");
}

std::string ConfigGiveUpText() {
  return Utf8ToGbk("获取服务配置信息发生了错误,请联系管理员QQ:731902465");
}

}  // namespace vlmr
