// The main window Tfmjssml: it owns everything the user works with (settings file, keyword
// store, the grid's row map, the engine's locks) and the program's life beyond the screen:
// closing only hides it to the tray, and the program ends only through the exit command,
// after every worker has ended.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <memory>
#include <string>
#include <unordered_map>

#include "base/MessageTarget.h"
#include "engine/records/KeyUnit.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QSystemTrayIcon;
class QTableView;
class QTimer;

namespace vlmr {

class TKeyData;
class TKeyListInfo;
class TProfileFile;
class TResultGridModel;

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

  // Fields other parts of the window use.
  std::string baseName;
  bool closeAllowed = false;
  std::unique_ptr<TProfileFile> settingsFile;
  // The keyword store; none when the database could not be opened (the user was told).
  std::unique_ptr<TKeyListInfo> keyStore;
  // Grid row (1-based, decimal) to the company shown there. Shared with the store, so rows of
  // a keyword deleted while on display never point at freed records.
  std::unordered_map<std::string, std::shared_ptr<TComPanyInfo>> rowCompanies;
  std::string currentKeyword;
  QListWidgetItem* menuTargetItem = nullptr;
  std::string contactId;
  std::string serviceBaseUrl;
  std::string applicationTitle;

  // Components, by their names.
  QLineEdit* edtSearchKey = nullptr;
  QLabel* txtinfo = nullptr;
  QPushButton* btnbaidustart = nullptr;
  QCheckBox* chkbd = nullptr;
  QCheckBox* chksg = nullptr;
  QCheckBox* chk360 = nullptr;
  QPushButton* BitmapButton3 = nullptr;
  QLabel* txttiptitle = nullptr;
  QLabel* txttip = nullptr;
  QPushButton* btnclearhis = nullptr;
  QListWidget* listkey = nullptr;
  QSplitter* splitter = nullptr;
  QLabel* txtkeylist = nullptr;
  QTableView* dblist = nullptr;
  TResultGridModel* gridModel = nullptr;
  QLabel* imgbg = nullptr;
  QWidget* rcloading = nullptr;
  QProgressBar* anload = nullptr;
  QLabel* txtrel = nullptr;
  QLabel* txtstat = nullptr;
  QSystemTrayIcon* TrayIcon1 = nullptr;
  QMenu* trayMenu = nullptr;
  QAction* N1 = nullptr;
  QAction* N11 = nullptr;
  QAction* actContact = nullptr;
  QAction* actIntro = nullptr;
  QTimer* tmrinit = nullptr;
  QTimer* tmrconfig = nullptr;
  QPixmap imgvip;   // promoted
  QPixmap imgvvip;  // certified
  QPixmap imgnvip;  // plain

  // The longest the orderly end waits for workers, pumping events.
  static constexpr int kWorkerDrainMs = 5000;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildUi();
  QWidget* BuildTopBand();
  QWidget* BuildKeywordColumn();
  QWidget* BuildResultArea();
  QWidget* BuildBottomBand();
  void BuildMenuAndTray();

  void FormCreate();
  void FormShow();
  void FormHide();
  bool FormCloseQuery();
  void FormDestroy();

  // Steps of FormCreate that later parts of the program fill.
  void CreateKeyStore();
  void CreateEngineLocks();
  void FreeEngineLocks();
  void StartConfigFetch();
  void StopAllTasks();

  // The store's events.
  void HandleKeywordAdded(TKeyData& record);
  void HandleCompaniesLoaded(const std::string& keyword);
  void HandleCompanySaved(const std::string& keyword, const std::shared_ptr<TComPanyInfo>& company);

  void CreateDesktopShortcut();
  void RecordInstallPath();
  void tmrinitTimer();
  void TrayIcon1DblClick();
  void N1Click();
  void txtinfoClick();
  void edtSearchKeyEnter();
  void edtSearchKeyExit();

  std::intptr_t HandleMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  void HandleCollectReport(std::uintptr_t kind, std::intptr_t lParam);

  // Stops every task, waits (bounded, pumping events) for every worker, then frees what the
  // workers may use. Runs once.
  void EndInOrder();

  TWindowHandle handle_;
  bool ending_ = false;
  bool destroyed_ = false;
  bool centred_ = false;

  // ---- Vendor side: remote configuration, automatic update, help menu, notice popup.
  // Implemented in MainWindowVendor.cpp.
 public:
  // The running configuration round and update (none before / without one).
  std::shared_ptr<class TRemoteConfig> remoteConfig;
  std::shared_ptr<class TAutoUpdate> autoUpdate;
  // The update window, once WM_UPDATE_NOTIFY 1 has opened it.
  class Tfmupwin* upwin = nullptr;

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
  void ApplyConfigUpdate(std::unique_ptr<struct TUpDateInfo> info);
  struct TConfigSide;
  std::shared_ptr<TConfigSide> configSide_;
  // ---- End of the vendor side.
};

}  // namespace vlmr
