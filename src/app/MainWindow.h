// The main window Tfmjssml. It owns the program's life on screen: its creation (settings file,
// keyword store, task board, the engine's locks), the orderly end, the tray icon and its menu,
// the help menu and the vendor side. Closing only hides it to the tray; the program ends only
// through the exit command, after every worker has ended.
//
// Its regions are widgets of their own: the keyword panel (TKeywordPanel) and the results view
// (TResultsView). The window connects them to the store and the task board, handles the
// workers' reports, and keeps the texts around them (the tip box, the status line, the total).
// The vendor side (configuration round, update, vendor windows) is in MainWindowVendor.cpp.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "base/LifeLink.h"
#include "base/MessageTarget.h"
#include "engine/records/CollectReport.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QTimer;

namespace vlmr {

class TAutoUpdate;
class Tfmupwin;
class TCompanyList;
class TKeyListInfo;
class TKeywordPanel;
class TProfileFile;
class TRemoteConfig;
class TResultsView;
class TTaskBoard;
enum class TStartResult : std::uint8_t;
enum class TTaskState : std::uint8_t;
struct TUpDateInfo;

class Tfmjssml : public QMainWindow {
  Q_OBJECT

 public:
  // Creates the window and runs FormCreate.
  Tfmjssml();
  ~Tfmjssml() override;

  // Shows the window, restores it from the minimised state and brings it to the front.
  void ShowMainWindow();
  // The exit command: asks, and unless the answer is Cancel ends the program in order.
  void N11Click();
  // Ends the program without asking (a session end): the same orderly end as the exit command.
  void RequestEnd();

  // True once the orderly end has begun.
  bool Ending() const { return ending_; }

  // The handle workers report to.
  const TWindowHandle& Handle() const { return handle_; }
  // The keyword store (none when the database could not be opened: the user was told) and the
  // task board over it; both go at the orderly end.
  TKeyListInfo* Store() const { return keyStore_.get(); }
  TTaskBoard* Board() const { return board_.get(); }

  // The longest the orderly end waits for workers, pumping events.
  static constexpr int kWorkerDrainMs = 5000;

  std::string baseName;
  // False while shown: a close then only hides the window.
  bool closeAllowed = false;
  std::unique_ptr<TProfileFile> settingsFile;
  std::string contactId;
  std::string serviceBaseUrl;
  std::string applicationTitle;
  QSystemTrayIcon* TrayIcon1 = nullptr;
  QAction* actContact = nullptr;  // help menu: "联系我们"
  QAction* actIntro = nullptr;    // help menu: "软件介绍"
  QTimer* tmrinit = nullptr;      // the start-up step after the configuration round
  QTimer* tmrconfig = nullptr;    // the configuration round's retry

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildUi();
  QWidget* BuildTopBand();
  QWidget* BuildBottomBand();
  void BuildMenuAndTray();
  void ConnectPanels();

  void FormCreate();
  void FormShow();
  void FormHide();
  bool FormCloseQuery();
  void FormDestroy();

  // Steps of FormCreate and of the orderly end.
  void CreateKeyStore();
  void CreateDesktopShortcut();
  void RecordInstallPath();
  void tmrinitTimer();

  // The panels' requests and the store's and the board's events.
  void AddKeyword(const std::string& keyword);
  void StartTask(const std::string& keyword);
  void DeleteKeyword(const std::string& keyword);
  void SelectKeyword(const std::string& keyword);
  void ClearHistory();
  void ExportCommand(const std::string& keyword);
  void DeleteCompany(const std::string& keyword, const std::string& listId);
  void HandleKeywordAdded(const std::string& keyword);
  void HandleCompaniesLoaded(const std::string& keyword);
  void HandleCompaniesArriving(const std::string& keyword, const TCompanyList& rows);
  void HandleCompanySaved(const std::string& keyword, const std::shared_ptr<TComPanyInfo>& company);
  void HandleTaskState(const std::string& keyword, TTaskState state);
  void TellStartResult(TStartResult result);
  void RefreshItemCount(const std::string& keyword);
  void ShowTotalCount();
  // "最后更新：" + the keyword's last-update time.
  std::string UpdateLine(const std::string& keyword) const;

  std::intptr_t HandleMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  void HandleCollectReport(const TCollectReport& report);
  // The tip box: the progress of the keyword on display, or the resting hint.
  void ShowTip(const QString& title, const QString& text);
  // The hint the tip box shows while no task's progress is on it.
  static QString RestingTip();

  // Stops every task, waits (bounded, pumping events) for every worker, then frees what the
  // workers may use. Runs once.
  void EndInOrder();

  TWindowHandle handle_;
  std::unique_ptr<TKeyListInfo> keyStore_;
  std::unique_ptr<TTaskBoard> board_;
  TKeywordPanel* keyPanel_ = nullptr;
  TResultsView* results_ = nullptr;
  QSplitter* splitter = nullptr;  // keyword panel | results view
  QLabel* txttiptitle = nullptr;  // the tip box's title
  QLabel* txttip = nullptr;       // the tip box's text
  QLabel* txtrel = nullptr;       // "当前已采集记录：N条"
  QLabel* txtstat = nullptr;      // the status line
  QMenu* trayMenu = nullptr;
  QAction* N1 = nullptr;   // "显示界面"
  QAction* N11 = nullptr;  // "退出"
  bool ending_ = false;
  bool destroyed_ = false;
  bool centred_ = false;
  TLifeLink<Tfmjssml> life_{*this};

  // ---- Vendor side: remote configuration, automatic update, help menu, notice popup.
  // Implemented in MainWindowVendor.cpp.
 public:
  // The running configuration round and update (none before / without one).
  std::shared_ptr<TRemoteConfig> remoteConfig;
  std::shared_ptr<TAutoUpdate> autoUpdate;
  // The update window, once WM_UPDATE_NOTIFY 1 has opened it.
  Tfmupwin* UpdateWindow() const { return upwin; }

  void tmrconfigTimer();
  // Stops the vendor side's work in flight (the update's download, the popup's fetches) so
  // that the orderly end does not wait for it.
  void StopVendorWork();
  void N18Click();  // 联系我们
  void N21Click();  // 软件介绍

 private:
  // The configuration fetch of FormCreate (or, without a vendor, the start-up timer).
  void StartRemoteConfig();
  void HandleUpdateNotify(std::uintptr_t wParam, std::intptr_t lParam);
  void InstallUpdateAndEnd();
  // The configuration's effects, on the UI thread.
  void ApplyConfigServiceBaseUrl(const std::string& url);
  void ApplyConfigUpdate(std::unique_ptr<TUpDateInfo> info);
  struct TConfigSide;
  std::shared_ptr<TConfigSide> configSide_;
  Tfmupwin* upwin = nullptr;
  // ---- End of the vendor side.
};

}  // namespace vlmr
