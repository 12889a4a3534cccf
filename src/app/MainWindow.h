// The main window Tfmjssml: it owns everything the user works with (settings file, keyword
// store, the grid's row map, the engine's locks, the keywords' task controllers) and the
// program's life beyond the screen: closing only hides it to the tray, and the program ends
// only through the exit command, after every worker has ended.
//
// The window is built region by region: MainWindow.cpp its life, KeywordPanel.cpp the keyword
// entry, the keyword list and the task commands, ResultsView.cpp the results grid, the worker
// reports and the display texts.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPoint>
#include <QVariant>
#include <memory>
#include <string>
#include <unordered_map>

#include "base/MessageTarget.h"
#include "engine/records/KeyUnit.h"

class QAction;
class QCheckBox;
class QFrame;
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

class TAutoUpdate;
class TCompanyList;
class Tfmupwin;
class TItemButton;
class TKeyData;
class TKeyItem;
class TKeyListInfo;
class TProfileFile;
class TRemoteConfig;
class TResultGridModel;
class TTaskCtl;
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

  // Keyword panel menus and the hint popup of the item buttons.
  QMenu* pmkey = nullptr;
  QAction* N6 = nullptr;        // "开始搜索", tag 0
  QAction* poppause = nullptr;  // "暂停任务"
  QAction* popstop = nullptr;   // "停止任务"
  QAction* N7 = nullptr;        // "删除关键词", tag 1
  QAction* N10 = nullptr;       // "将结果导出到文件", tag 4
  QMenu* pmtask = nullptr;
  QAction* N3 = nullptr;  // "暂停任务"
  QAction* N4 = nullptr;  // "停止任务"
  QFrame* popbtn = nullptr;
  QLabel* txtbtn = nullptr;
  // Results grid menu.
  QMenu* pmkeylist = nullptr;
  QAction* N5 = nullptr;  // "删除"

  // The longest the orderly end waits for workers, pumping events.
  static constexpr int kWorkerDrainMs = 5000;

  // --- Keyword panel: entry, keyword list, task commands (KeywordPanel.cpp) ---
  void txtinfoClick();
  void edtSearchKeyEnter();
  void edtSearchKeyExit();
  void edtSearchKeyKeyPress(int key);
  void btnbaidustartClick();
  void BitmapButton3Click();
  void btnclearhisClick();
  void listkeyClick();
  void listkeyMouseUp(Qt::MouseButton button, const QPoint& position);
  void N6Click(QAction* entry);
  void poppauseClick();
  void popstopClick();
  void N3Click();
  void N4Click();
  void AddKeywordItem(TKeyData& record);
  void ItemButtonClick(TItemButton& button);
  // What an item button or a pmkey entry with `tag` does for the item: 0 start (or the task
  // menu while the task runs), 1 delete, 4 export.
  void ItemCommand(TKeyItem& view, int tag);
  void StartTask(const std::string& keyword);
  void PauseTask(const std::string& keyword);
  void StopTask(const std::string& keyword, bool showState);
  bool ConfirmDeleteKeyword(const std::string& keyword);
  void RemoveKeywordItem(QListWidgetItem* item);
  void ClearKeywordItems();
  void HandleEngineFinished(TTaskCtl& controller, int engineIndex, const std::string& keyword,
                            int page);
  void HandleKeywordAdded(TKeyData& record);
  void HandleCompaniesLoaded(const std::string& keyword);
  void SetItemLook(QListWidgetItem* item, int tag, bool enabled, const QString& style);
  void RefreshItemDate(const std::string& keyword, int tag, bool enabled, const QString& style);
  void SetItemStateText(const std::string& keyword, const std::string& stateText, int tag,
                        bool enabled, const QString& style);
  void RefreshItemCount(const std::string& keyword);
  void ShowButtonHint(TItemButton& button);
  void HideButtonHint();
  // The export command for a keyword: its companies loaded first (overlay meanwhile), then
  // OpenExportDialog.
  void ExportCommand(const std::string& keyword);
  void OpenExportDialog(const std::string& keyword);

  // The list item of a keyword (exact text), or nullptr; and the item widget of a list item.
  QListWidgetItem* FindKeywordItem(const std::string& keyword) const;
  TKeyItem* KeyItemOf(QListWidgetItem* item) const;
  // "最后更新：" + the record's last-update time.
  static std::string UpdateLine(const TKeyData& record);

  // --- Results view: grid, worker reports, display texts (ResultsView.cpp) ---
  void HandleCollectReport(std::uintptr_t kind, std::intptr_t lParam);
  QVariant dblistGetValue(int column, int row, int role) const;
  void AddResultRow(const std::shared_ptr<TComPanyInfo>& record, bool bulk);
  void FillResultGrid(const TCompanyList& companies);
  void HandleCompanySaved(const std::string& keyword, const std::shared_ptr<TComPanyInfo>& company);
  void SetLoading(bool shown);
  void dblistDblClick();
  void N5Click();
  // Opens (or refills) the company detail window with a record.
  void OpenCompanyDetail(const std::shared_ptr<TComPanyInfo>& record);
  // Empties rowCompanies and the grid.
  void ClearResultGrid();
  void ShowTotalCount();
  void HideBackground();

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

  void BuildKeywordMenus();
  void BuildGridMenu();

  // Steps of FormCreate and of the orderly end. StopAllTasks stops every keyword's task (also
  // used before the history is cleared).
  void CreateKeyStore();
  void CreateEngineLocks();
  void FreeEngineLocks();
  void StartConfigFetch();
  void StopAllTasks();

  void CreateDesktopShortcut();
  void RecordInstallPath();
  void tmrinitTimer();
  void TrayIcon1DblClick();
  void N1Click();

  std::intptr_t HandleMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  bool AnyEngineTicked() const;
  // The controller the window keeps for a record (made on the first start).
  TTaskCtl* MakeTaskController(const std::string& keyword);
  void DropTaskController(TTaskCtl* controller);

  // Stops every task, waits (bounded, pumping events) for every worker, then frees what the
  // workers may use. Runs once.
  void EndInOrder();

  TWindowHandle handle_;
  // The task controllers the window made, by address (records only point at them). A
  // controller dropped here lives on while its collectors can still report their end.
  std::unordered_map<TTaskCtl*, std::shared_ptr<TTaskCtl>> taskControllers_;
  // Cleared when the window goes: an engine's end that arrives later touches nothing.
  std::shared_ptr<Tfmjssml*> self_;
  // The keyword a task menu acts on ("the list's hint").
  std::string listkeyHint_;
  bool ending_ = false;
  bool destroyed_ = false;
  bool centred_ = false;

  // ---- Vendor side: remote configuration, automatic update, help menu, notice popup.
  // Implemented in MainWindowVendor.cpp.
 public:
  // The running configuration round and update (none before / without one).
  std::shared_ptr<TRemoteConfig> remoteConfig;
  std::shared_ptr<TAutoUpdate> autoUpdate;
  // The update window, once WM_UPDATE_NOTIFY 1 has opened it.
  Tfmupwin* upwin = nullptr;

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
  // ---- End of the vendor side.
};

}  // namespace vlmr
