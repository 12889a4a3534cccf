// The main window's vendor side: the remote configuration round (its effects reach the window
// here, on the UI thread), the update messages and the hand-over to the updater, the help
// menu's vendor windows and the start-up timer's notice popup.
#include <QApplication>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/MainWindow.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "net/AutoUpdate.h"
#include "net/DownIdHttp.h"
#include "net/RemoteConfig.h"
#include "net/UpdateInstall.h"
#include "net/VendorSettings.h"
#include "windows/ContactWindow.h"
#include "windows/DescriptionWindow.h"
#include "windows/NoticePopup.h"
#include "windows/UpdateWindow.h"

namespace vlmr {

// The window's side of the configuration round. Effects that arrive once the window has begun
// to end are dropped: nothing new starts while the program shuts down.
struct Tfmjssml::TConfigSide : TConfigWindow {
  explicit TConfigSide(Tfmjssml& w) : window(w) {}
  ~TConfigSide() override { window.remoteConfig.reset(); }

  void ConfigServiceBaseUrl(const std::string& url) override {
    if (!window.Ending())
      window.ApplyConfigServiceBaseUrl(url);
  }
  void ConfigStartUpdate(std::unique_ptr<TUpDateInfo> info) override {
    if (!window.Ending())
      window.ApplyConfigUpdate(std::move(info));
  }
  void ConfigArmRetry() override {
    if (!window.Ending())
      window.tmrconfig->start();
  }
  void ConfigArmStartup() override {
    if (!window.Ending())
      window.tmrinit->start();
  }

  Tfmjssml& window;
};

void Tfmjssml::StartRemoteConfig() {
  tmrconfig->setInterval(1000);
  tmrconfig->setSingleShot(false);
  connect(tmrconfig, &QTimer::timeout, this, [this] { tmrconfigTimer(); });
  // An update that failed (or was cut short) since the last run is told once, after the
  // window has come up.
  if (std::optional<std::string> notice = UpdateNoticeAtStart()) {
    QTimer::singleShot(
        0, this, [text = *notice] { ShowMessageBox(text, MessageCaption(), MB_KIND_WARNING); });
  }
  const std::string url = ConfigUrl();
  if (url.empty()) {
    // Without a vendor there is nothing to contact or describe.
    actContact->setEnabled(false);
    actIntro->setEnabled(false);
    // A build without a vendor: as after a configuration that offered no update.
    tmrinit->start();
    return;
  }
  configSide_ = std::make_shared<TConfigSide>(*this);
  remoteConfig = std::make_shared<TRemoteConfig>(*configSide_, url, UpdaterPath());
  remoteConfig->Fetch();
}

void Tfmjssml::tmrconfigTimer() {
  tmrconfig->stop();
  if (remoteConfig && !Ending())
    remoteConfig->Fetch();
}

void Tfmjssml::ApplyConfigServiceBaseUrl(const std::string& url) {
  serviceBaseUrl = url;
}

void Tfmjssml::ApplyConfigUpdate(std::unique_ptr<TUpDateInfo> info) {
  // Sent, so the update window is open before the downloads start.
  handle_->Send(WM_UPDATE_NOTIFY, kUpdateOpenWindow, 0);
  autoUpdate = std::make_shared<TAutoUpdate>(handle_, std::move(info));
  autoUpdate->Start();
}

void Tfmjssml::HandleUpdateNotify(std::uintptr_t wParam, std::intptr_t lParam) {
  switch (static_cast<std::intptr_t>(wParam)) {
    case kUpdateOpenWindow:
      if (!upwin)
        upwin = new Tfmupwin(this);
      upwin->show();
      break;
    case kUpdateProgress:
      if (upwin)
        upwin->pro1->setValue(static_cast<int>(lParam));
      break;
    case kUpdateInstall:
      InstallUpdateAndEnd();
      break;
    default:
      // A download that did not finish or failed its check: the window says so and can close.
      if (upwin && (wParam == static_cast<std::uintptr_t>(kUpdateBadCheck) ||
                    wParam == static_cast<std::uintptr_t>(kUpdateNotFinished)))
        upwin->ShowFailure(autoUpdate ? autoUpdate->FailureReason() : std::string());
      break;
  }
}

void Tfmjssml::InstallUpdateAndEnd() {
  if (!autoUpdate)
    return;
  bool handedOver = InstallUpdate(autoUpdate->Info(), [this] {
    if (TrayIcon1)
      TrayIcon1->hide();
    QApplication::processEvents();
  });
  if (!handedOver) {
    // No updater to hand over to: the program goes on as it is.
    if (upwin)
      upwin->ShowFailure(Utf8ToGbk("升级程序无法启动"));
    return;
  }
  QApplication::quit();
}

void Tfmjssml::StopVendorWork() {
  tmrconfig->stop();
  if (autoUpdate && autoUpdate->Download())
    autoUpdate->Download()->Terminate();
  if (Tfmwinpop* popup = Tfmwinpop::Instance())
    popup->close();
}

void Tfmjssml::N18Click() {
  ShowContactWindow(serviceBaseUrl, contactId, this);
}

void Tfmjssml::N21Click() {
  ShowDescriptionWindow(serviceBaseUrl, this);
}

}  // namespace vlmr
