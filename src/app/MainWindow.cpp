#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/KeywordPanel.h"
#include "app/ResultsView.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "base/Version.h"
#include "engine/Gates.h"
#include "net/AutoUpdate.h"
#include "net/VendorSettings.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/Shortcut.h"
#include "platform/SingleInstance.h"
#include "store/KeyListInfo.h"
#include "store/SQLiteTable.h"
#include "tasks/RegionRule.h"
#include "tasks/TaskBoard.h"
#include "windows/GuiText.h"
#include "windows/NoticePopup.h"
#include "windows/ProxyDialog.h"

namespace vlmr {
namespace {

const char* const kInstallKey = "HKEY_CURRENT_USER\\SOFTWARE\\tarnwelt\\vlmr";

// Client area and the smallest outer size (the outer frame adds 16 x 39 on the desktop the
// sizes were made for; Qt's minimum applies to the client).
constexpr int kClientWidth = 1007;
constexpr int kClientHeight = 647;
constexpr int kMinOuterWidth = 1023;
constexpr int kMinOuterHeight = 627;
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;

// Runs a command of the panels; the window stays usable whatever the command met.
template <class F>
void Guarded(F&& command) {
  try {
    command();
  } catch (...) {
  }
}

}  // namespace

Tfmjssml::Tfmjssml() {
  setObjectName("fmjssml");
  handle_ =
      TMessageTarget::Create([this](std::uint32_t msg, std::uintptr_t w,
                                    std::intptr_t l) { return HandleMessage(msg, w, l); },
                             [this](std::uint32_t msg, const TMessagePayload& payload) {
                               if (const TCollectReport* report = AsCollectReport(msg, payload)) {
                                 HandleCollectReport(*report);
                               }
                             });
  BuildUi();
  FormCreate();
}

Tfmjssml::~Tfmjssml() {
  // A window destroyed without the exit command (tests, a failed start) still ends in order.
  EndInOrder();
}

void Tfmjssml::BuildUi() {
  setWindowIcon(ProgramIcon());
  auto* central = new QWidget(this);
  central->setObjectName("client");
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  keyPanel_ = new TKeywordPanel(central);
  results_ = new TResultsView(central);
  column->addWidget(BuildTopBand());

  splitter = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName("splitter");
  splitter->setHandleWidth(5);
  splitter->setChildrenCollapsible(false);
  keyPanel_->setMinimumWidth(20);
  results_->setMinimumWidth(20);
  splitter->addWidget(keyPanel_);
  splitter->addWidget(results_);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, kClientWidth - 240 - 5});
  column->addWidget(splitter, 1);
  column->addWidget(BuildBottomBand());
  setCentralWidget(central);

  BuildMenuAndTray();

  tmrinit = new QTimer(this);
  tmrinit->setObjectName("tmrinit");
  tmrinit->setInterval(1000);
  connect(tmrinit, &QTimer::timeout, this, [this] { tmrinitTimer(); });
  tmrconfig = new QTimer(this);
  tmrconfig->setObjectName("tmrconfig");

  setMinimumSize(kMinOuterWidth - kFrameWidth, kMinOuterHeight - kFrameHeight);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

QWidget* Tfmjssml::BuildTopBand() {
  auto* band = new QWidget(this);
  band->setObjectName("topband");
  band->setFixedHeight(105);
  auto* row = new QHBoxLayout(band);
  row->setContentsMargins(16, 14, 16, 14);
  row->setSpacing(14);
  row->addWidget(keyPanel_->EntryBar(), 1);

  auto* tip = new QWidget(band);
  tip->setObjectName("tipbox");
  tip->setFixedWidth(300);
  auto* tipRows = new QVBoxLayout(tip);
  tipRows->setContentsMargins(12, 8, 12, 8);
  tipRows->setSpacing(4);
  txttiptitle = MakeLabel("txttiptitle", U("温馨提示："), tip);
  txttip = MakeLabel("txttip", QString(), tip);
  txttip->setWordWrap(true);
  txttip->setTextFormat(Qt::PlainText);
  txttip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tipRows->addWidget(txttiptitle);
  tipRows->addWidget(txttip, 1);
  row->addWidget(tip);
  txttip->setText(RestingTip());
  return band;
}

QWidget* Tfmjssml::BuildBottomBand() {
  auto* band = new QWidget(this);
  band->setObjectName("bottomband");
  band->setFixedHeight(32);
  auto* row = new QHBoxLayout(band);
  row->setContentsMargins(10, 0, 10, 0);
  row->setSpacing(0);
  txtrel = MakeLabel("txtrel", QString(), band);
  txtrel->setFixedWidth(245);
  txtstat = MakeLabel("txtstat", QString(), band);
  txtstat->setWordWrap(false);
  txtstat->setTextFormat(Qt::PlainText);
  txtstat->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(txtrel);
  row->addWidget(txtstat, 1);
  return band;
}

void Tfmjssml::BuildMenuAndTray() {
  QMenu* settings = menuBar()->addMenu(U("设置(&S)"));
  settings->setObjectName("mmsettings");
  QAction* proxies = settings->addAction(U("代理(&P)…"));
  proxies->setObjectName("Nproxy");
  connect(proxies, &QAction::triggered, this, [this] { OpenProxyDialog(this); });

  QMenu* help = menuBar()->addMenu(U("帮助中心(&H)"));
  help->setObjectName("mmhelp");
  actContact = help->addAction(U("联系我们"));
  actContact->setObjectName("N8");
  actIntro = help->addAction(U("软件介绍"));
  actIntro->setObjectName("N9");

  trayMenu = new QMenu(this);
  trayMenu->setObjectName("pmtray");
  N1 = trayMenu->addAction(U("显示界面"));
  N1->setObjectName("N1");
  trayMenu->addSeparator();
  N11 = trayMenu->addAction(U("退出"));
  N11->setObjectName("N11");
  connect(N1, &QAction::triggered, this, [this] { ShowMainWindow(); });
  connect(actContact, &QAction::triggered, this, [this] { N18Click(); });
  connect(actIntro, &QAction::triggered, this, [this] { N21Click(); });
  connect(N11, &QAction::triggered, this, [this] { N11Click(); });

  TrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
  TrayIcon1->setObjectName("TrayIcon1");
  TrayIcon1->setContextMenu(trayMenu);
  connect(TrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick)
              ShowMainWindow();
          });
}

void Tfmjssml::ConnectPanels() {
  TKeywordPanel* panel = keyPanel_;
  auto guarded = [](auto member) {
    return [member](const std::string& keyword) { Guarded([&] { member(keyword); }); };
  };
  connect(panel, &TKeywordPanel::addRequested, this,
          guarded([this](const std::string& k) { AddKeyword(k); }));
  connect(panel, &TKeywordPanel::startRequested, this,
          guarded([this](const std::string& k) { StartTask(k); }));
  connect(panel, &TKeywordPanel::pauseRequested, this, guarded([this](const std::string& k) {
            if (board_)
              board_->Pause(k);
          }));
  connect(panel, &TKeywordPanel::stopRequested, this, guarded([this](const std::string& k) {
            if (board_)
              board_->Stop(k, true);
          }));
  connect(panel, &TKeywordPanel::deleteRequested, this,
          guarded([this](const std::string& k) { DeleteKeyword(k); }));
  connect(panel, &TKeywordPanel::exportRequested, this,
          guarded([this](const std::string& k) { ExportCommand(k); }));
  connect(panel, &TKeywordPanel::selected, this,
          guarded([this](const std::string& k) { SelectKeyword(k); }));
  connect(panel, &TKeywordPanel::clearRequested, this,
          [this] { Guarded([&] { ClearHistory(); }); });
  connect(panel, &TKeywordPanel::itemLookChanged, txtstat, &QLabel::clear);
  connect(results_, &TResultsView::rowsChanged, this, [this] { ShowTotalCount(); });
  connect(results_, &TResultsView::deleteConfirmed, this,
          [this](const std::string& keyword, const std::string& listId) {
            Guarded([&] { DeleteCompany(keyword, listId); });
          });
}

void Tfmjssml::FormCreate() {
  closeAllowed = false;
  baseName = TextBeforeLast(ExeFileName(), '.');
  settingsFile = std::make_unique<TProfileFile>(AppFolder() + "kqclient.cfg");
  ConnectPanels();
  TEngineLocks::Create();
  CreateKeyStore();
  StartRemoteConfig();

  QString caption = FromGbk(baseName) + " V" + CONFIG_VERSION;
  setWindowTitle(caption);
  applicationTitle = ToGbk(caption);
  TrayIcon1->setToolTip(caption);
  TrayIcon1->show();

  if (!settingsFile->ReadBool("config", "first", false)) {
    CreateDesktopShortcut();
    settingsFile->WriteBool("config", "first", true);
  }
  RecordInstallPath();
}

namespace {

// Upgrades of smaller files end before a progress window would be seen.
constexpr std::int64_t kUpgradeProgressFrom = 20000;

}  // namespace

void Tfmjssml::CreateKeyStore() {
  try {
    // A file of an earlier version is upgraded in place first (the number index is filled from
    // every stored company): a store of a million companies takes a while, shown as progress.
    std::unique_ptr<QProgressDialog> upgrading;
    auto progress = [&upgrading, this](std::int64_t done, std::int64_t total) {
      if (total < kUpgradeProgressFrom) {
        return;
      }
      if (!upgrading) {
        upgrading = std::make_unique<QProgressDialog>(U("正在升级数据文件，请稍候..."), QString(),
                                                      0, 1000, this);
        upgrading->setWindowTitle(U("升级数据"));
        upgrading->setCancelButton(nullptr);
        upgrading->setMinimumDuration(0);
        upgrading->show();
      }
      upgrading->setLabelText(U("正在升级数据文件：%1 / %2 家公司").arg(done).arg(total));
      upgrading->setValue(static_cast<int>(done * 1000 / std::max<std::int64_t>(total, 1)));
      // Drawn, and the screen kept current; no input reaches the window before its store is
      // ready (nothing else runs yet: the vendor's timers start after this).
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    keyStore_ = std::make_unique<TKeyListInfo>(TKeyListInfo::TClock(), progress);
    upgrading.reset();
    InstallRegionRule(*keyStore_);
  } catch (const std::exception& e) {
    // A database that cannot be opened (locked, damaged, unreadable folder) is not touched;
    // the program runs without a store and says why once.
    keyStore_.reset();
    ShowMessageBox(Utf8ToGbk("无法打开数据库文件 Data/users：") + Utf8ToGbk(e.what()),
                   MessageCaption(), MB_KIND_ERROR);
    return;
  }
  results_->SetSharedNumbers(&keyStore_->SharedNumbers());
  board_ =
      std::make_unique<TTaskBoard>(*keyStore_, handle_, [this] { return keyPanel_->Engines(); });
  board_->OnStateChanged = [this](const std::string& keyword, TTaskState state) {
    HandleTaskState(keyword, state);
  };
  keyStore_->OnKeywordAdded = [this](TKeyListInfo&, TKeyData& record) {
    HandleKeywordAdded(record.Keyword);
  };
  keyStore_->OnCompaniesLoaded = [this](TKeyListInfo&, const std::string& keyword) {
    HandleCompaniesLoaded(keyword);
  };
  keyStore_->OnCompaniesArriving = [this](TKeyListInfo&, const std::string& keyword,
                                          const TCompanyList& rows,
                                          std::size_t) { HandleCompaniesArriving(keyword, rows); };
  keyStore_->OnCompanySaved = [this](TKeyListInfo&, const std::string& keyword,
                                     const std::shared_ptr<TComPanyInfo>& company) {
    HandleCompanySaved(keyword, company);
  };
  try {
    keyStore_->LoadKeywords();
  } catch (const std::exception&) {
    // Keywords read before the failure stay listed.
  }
}

void Tfmjssml::CreateDesktopShortcut() {
  // Without a desktop folder there is no place for a shortcut: none is made (never one in the
  // current folder).
  const std::string desktop = ReadShellFolder("Desktop");
  if (desktop.empty()) {
    return;
  }
  // The program's icon goes beside the executable (the program folder) for the shortcut.
  const std::string icon = AppFolder() + baseName + ".png";
  const bool iconSaved = ProgramIcon().pixmap(256, 256).save(QString::fromStdString(icon), "PNG");
  CreateShortcutFile(ExePath(), "", IncludeBackslash(desktop) + baseName + kShortcutExtension,
                     baseName, iconSaved ? icon : std::string());
}

void Tfmjssml::RecordInstallPath() {
  const std::string exe = ExePath();
  auto current = ReadRegistryString(kInstallKey, "install");
  if (!current || *current != exe) {
    WriteRegistryString(kInstallKey, "install", exe);
  }
}

void Tfmjssml::tmrinitTimer() {
  tmrinit->stop();
  contactId = settingsFile->ReadString("config", "p", "");
  // A build without a vendor has no notice page to show.
  if (!VendorConfigHost().empty())
    ShowNoticePopup(serviceBaseUrl + "pop.aspx?t=" + "9");
}

void Tfmjssml::ShowMainWindow() {
  show();
  if (isMinimized()) {
    showNormal();
  }
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
}

void Tfmjssml::N11Click() {
  std::string question = Utf8ToGbk("确定要退出[") + baseName + Utf8ToGbk("]吗？");
  if (ShowMessageBox(question, MessageCaption(), MB_KIND_QUESTION) == MB_RESULT_CANCEL) {
    return;
  }
  RequestEnd();
}

void Tfmjssml::RequestEnd() {
  closeAllowed = true;
  close();
}

void Tfmjssml::FormShow() {
  closeAllowed = false;
}
void Tfmjssml::FormHide() {
  closeAllowed = true;
}
bool Tfmjssml::FormCloseQuery() {
  return closeAllowed;
}

void Tfmjssml::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!centred_) {
    centred_ = true;
    if (QScreen* s = screen()) {
      QRect area = s->availableGeometry();
      move(area.center() - rect().center());
    }
  }
  // Minimising and restoring are not shows and hides of the window itself.
  if (!event->spontaneous())
    FormShow();
}

void Tfmjssml::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (!event->spontaneous())
    FormHide();
}

void Tfmjssml::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    hide();
    return;
  }
  EndInOrder();
  event->accept();
  QApplication::quit();
}

void Tfmjssml::EndInOrder() {
  if (ending_) {
    return;
  }
  ending_ = true;
  if (board_) {
    board_->StopAll();
  }
  StopVendorWork();
  if (keyStore_) {
    keyStore_->StopLoads();  // a keyword still loading is of no use any more
  }
  // Workers may be blocked sending to this window: keep handling events while they end.
  TWorkerRegistry::WaitUntilEmpty(kWorkerDrainMs, [] { QApplication::processEvents(); });
  FormDestroy();
}

void Tfmjssml::FormDestroy() {
  if (destroyed_) {
    return;
  }
  destroyed_ = true;
  life_.Cut();
  handle_->Close();
  tmrinit->stop();
  tmrconfig->stop();
  // Every worker has ended (or the bounded wait ran out): nothing uses the locks or the store.
  results_->Clear();
  results_->SetSharedNumbers(nullptr);
  board_.reset();
  keyStore_.reset();
  TEngineLocks::Destroy();
  settingsFile.reset();
  if (TrayIcon1)
    TrayIcon1->hide();
}

std::intptr_t Tfmjssml::HandleMessage(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  if (msg == WM_ACTIVATE_INSTANCE) {
    ShowMainWindow();
  } else if (msg == WM_UPDATE_NOTIFY) {
    HandleUpdateNotify(wParam, lParam);
  }
  return 0;
}

}  // namespace vlmr
