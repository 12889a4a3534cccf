#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/ResultGridModel.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "base/Version.h"
#include "engine/Gates.h"
#include "engine/TaskCtl.h"
#include "net/AutoUpdate.h"
#include "net/VendorSettings.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/Shortcut.h"
#include "platform/SingleInstance.h"
#include "store/KeyListInfo.h"
#include "store/SQLiteTable.h"
#include "windows/GuiText.h"
#include "windows/NoticePopup.h"

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

}  // namespace

Tfmjssml::Tfmjssml() {
  setObjectName("fmjssml");
  self_ = std::make_shared<Tfmjssml*>(this);
  handle_ = TMessageTarget::Create([this](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
    return HandleMessage(msg, w, l);
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
  column->addWidget(BuildTopBand());

  splitter = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName("splitter");
  splitter->setHandleWidth(5);
  splitter->setChildrenCollapsible(false);
  QWidget* keys = BuildKeywordColumn();
  QWidget* results = BuildResultArea();
  keys->setMinimumWidth(20);
  results->setMinimumWidth(20);
  splitter->addWidget(keys);
  splitter->addWidget(results);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, kClientWidth - 240 - 5});
  column->addWidget(splitter, 1);
  column->addWidget(BuildBottomBand());
  setCentralWidget(central);

  BuildMenuAndTray();

  imgvip = PromotedMark();
  imgvvip = CertifiedMark();
  imgnvip = PlainMark();

  tmrinit = new QTimer(this);
  tmrinit->setObjectName("tmrinit");
  tmrinit->setInterval(1000);
  connect(tmrinit, &QTimer::timeout, this, [this] { tmrinitTimer(); });
  tmrconfig = new QTimer(this);
  tmrconfig->setObjectName("tmrconfig");

  setMinimumSize(kMinOuterWidth - kFrameWidth, kMinOuterHeight - kFrameHeight);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void Tfmjssml::BuildMenuAndTray() {
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
  connect(N1, &QAction::triggered, this, [this] { N1Click(); });
  connect(actContact, &QAction::triggered, this, [this] { N18Click(); });
  connect(actIntro, &QAction::triggered, this, [this] { N21Click(); });
  connect(N11, &QAction::triggered, this, [this] { N11Click(); });

  TrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
  TrayIcon1->setObjectName("TrayIcon1");
  TrayIcon1->setContextMenu(trayMenu);
  connect(TrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick)
              TrayIcon1DblClick();
          });
}

void Tfmjssml::FormCreate() {
  closeAllowed = false;
  baseName = TextBeforeLast(ExeFileName(), '.');
  settingsFile = std::make_unique<TProfileFile>(AppFolder() + "kqclient.cfg");
  rowCompanies.reserve(256);
  CreateKeyStore();
  CreateEngineLocks();
  StartConfigFetch();
  tmrconfig->stop();

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

void Tfmjssml::CreateKeyStore() {
  try {
    keyStore = std::make_unique<TKeyListInfo>();
  } catch (const std::exception& e) {
    // A database that cannot be opened (locked, damaged, unreadable folder) is not touched;
    // the program runs without a store and says why once.
    keyStore.reset();
    ShowMessageBox(Utf8ToGbk("无法打开数据库文件 Data/users：") + Utf8ToGbk(e.what()),
                   MessageCaption(), MB_KIND_ERROR);
    return;
  }
  keyStore->OnKeywordAdded = [this](TKeyListInfo&, TKeyData& record) {
    HandleKeywordAdded(record);
  };
  keyStore->OnCompaniesLoaded = [this](TKeyListInfo&, const std::string& keyword) {
    HandleCompaniesLoaded(keyword);
  };
  keyStore->OnCompanySaved = [this](TKeyListInfo&, const std::string& keyword,
                                    const std::shared_ptr<TComPanyInfo>& company) {
    HandleCompanySaved(keyword, company);
  };
  try {
    keyStore->LoadKeywords();
  } catch (const std::exception&) {
    // Keywords read before the failure stay listed.
  }
}

void Tfmjssml::CreateEngineLocks() {
  TEngineLocks::Create();
}

void Tfmjssml::FreeEngineLocks() {
  TEngineLocks::Destroy();
}

void Tfmjssml::StartConfigFetch() {
  StartRemoteConfig();
}

void Tfmjssml::StopAllTasks() {
  if (keyStore) {
    for (const auto& record : keyStore->Keywords()) {
      if (record->TaskControl) {
        StopTask(record->Keyword, false);
      }
    }
  }
  // Controllers whose records are gone still have their collectors asked to stop.
  for (auto& entry : taskControllers_) {
    entry.second->StopAll();
  }
}

void Tfmjssml::CreateDesktopShortcut() {
  std::string desktop = ReadShellFolder("Desktop");
  if (desktop.size() > 3) {
    desktop = IncludeBackslash(desktop);
  }
  std::string link = desktop + baseName + kShortcutExtension;
  CreateShortcutFile(ExePath(), "", link, baseName);
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

void Tfmjssml::TrayIcon1DblClick() {
  ShowMainWindow();
}
void Tfmjssml::N1Click() {
  ShowMainWindow();
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
  StopAllTasks();
  StopVendorWork();
  // Workers may be blocked sending to this window: keep handling events while they end.
  TWorkerRegistry::WaitUntilEmpty(kWorkerDrainMs, [] { QApplication::processEvents(); });
  FormDestroy();
}

void Tfmjssml::FormDestroy() {
  if (destroyed_) {
    return;
  }
  destroyed_ = true;
  *self_ = nullptr;
  handle_->Close();
  tmrinit->stop();
  tmrconfig->stop();
  // Every worker has ended (or the bounded wait ran out): nothing uses the locks or the store.
  rowCompanies.clear();
  gridModel->SetCellSource(nullptr);
  if (keyStore) {
    for (const auto& record : keyStore->Keywords()) {
      record->TaskControl = nullptr;
    }
  }
  taskControllers_.clear();
  keyStore.reset();
  FreeEngineLocks();
  settingsFile.reset();
  if (TrayIcon1)
    TrayIcon1->hide();
}

bool Tfmjssml::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtinfo && event->type() == QEvent::MouseButtonPress) {
    txtinfoClick();
    return true;
  }
  if (watched == edtSearchKey) {
    if (event->type() == QEvent::FocusIn)
      edtSearchKeyEnter();
    if (event->type() == QEvent::FocusOut)
      edtSearchKeyExit();
  }
  if (listkey && watched == listkey->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    listkeyMouseUp(mouse->button(), mouse->position().toPoint());
  }
  return QMainWindow::eventFilter(watched, event);
}

std::intptr_t Tfmjssml::HandleMessage(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  if (msg == WM_COLLECT_REPORT) {
    HandleCollectReport(wParam, lParam);
  } else if (msg == WM_ACTIVATE_INSTANCE) {
    ShowMainWindow();
  } else if (msg == WM_UPDATE_NOTIFY) {
    HandleUpdateNotify(wParam, lParam);
  }
  return 0;
}

}  // namespace vlmr
