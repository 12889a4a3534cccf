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
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/GuiText.h"
#include "app/Icons.h"
#include "app/ResultGridModel.h"
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
#include "windows/NoticePopup.h"

namespace vlmr {
namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

const char* const kTipTitle = "温馨提示：";
const char* const kTipText = "关键词可以是地区+产品，比如：广州 电子公司 或 上海 网络公司";
const char* const kInstallKey = "HKEY_CURRENT_USER\\SOFTWARE\\tarnwelt\\vlmr";

// Client area and the smallest outer size (the outer frame adds 16 x 39 on the desktop the
// sizes were made for; Qt's minimum applies to the client).
constexpr int kClientWidth = 1007;
constexpr int kClientHeight = 647;
constexpr int kMinOuterWidth = 1023;
constexpr int kMinOuterHeight = 627;
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;

QPushButton* Button(const char* name, const char* text, QWidget* parent) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(name);
  b->setCursor(Qt::PointingHandCursor);
  return b;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

}  // namespace

Tfmjssml::Tfmjssml() {
  setObjectName("fmjssml");
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

QWidget* Tfmjssml::BuildTopBand() {
  auto* band = new QWidget(this);
  band->setObjectName("topband");
  band->setFixedHeight(105);
  auto* row = new QHBoxLayout(band);
  row->setContentsMargins(16, 14, 16, 14);
  row->setSpacing(14);

  auto* entry = new QWidget(band);
  entry->setObjectName("entryarea");
  auto* entryRows = new QVBoxLayout(entry);
  entryRows->setContentsMargins(0, 0, 0, 0);
  entryRows->setSpacing(10);

  auto* searchRow = new QHBoxLayout;
  searchRow->setSpacing(8);
  auto* box = new QWidget(entry);
  box->setObjectName("searchbox");
  box->setFixedSize(380, 36);
  auto* boxLayout = new QGridLayout(box);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  edtSearchKey = new QLineEdit(box);
  edtSearchKey->setObjectName("edtSearchKey");
  edtSearchKey->installEventFilter(this);
  txtinfo = Label("txtinfo", U("在此处输入关键词添加任务"), box);
  txtinfo->setCursor(Qt::IBeamCursor);
  txtinfo->installEventFilter(this);
  boxLayout->addWidget(edtSearchKey, 0, 0);
  boxLayout->addWidget(txtinfo, 0, 0);
  edtSearchKey->hide();
  connect(edtSearchKey, &QLineEdit::returnPressed, this, [this] {
    // Enter adds the task (the keyword panel fills the command).
    btnbaidustart->click();
  });
  btnbaidustart = Button("btnbaidustart", "添加任务", entry);
  btnbaidustart->setFixedHeight(36);
  BitmapButton3 = Button("BitmapButton3", "导出资料", entry);
  BitmapButton3->setFixedHeight(36);
  searchRow->addWidget(box);
  searchRow->addWidget(btnbaidustart);
  searchRow->addWidget(BitmapButton3);
  searchRow->addStretch();
  entryRows->addLayout(searchRow);

  auto* sources = new QHBoxLayout;
  sources->setSpacing(12);
  sources->addWidget(Label("lblsource", U("信息来源："), entry));
  chkbd = new QCheckBox(U("百度"), entry);
  chkbd->setObjectName("chkbd");
  chksg = new QCheckBox(U("搜狗"), entry);
  chksg->setObjectName("chksg");
  chk360 = new QCheckBox(U("360"), entry);
  chk360->setObjectName("chk360");
  for (QCheckBox* c : {chkbd, chksg, chk360}) {
    c->setChecked(true);
    sources->addWidget(c);
  }
  sources->addStretch();
  entryRows->addLayout(sources);
  row->addWidget(entry, 1);

  auto* tip = new QWidget(band);
  tip->setObjectName("tipbox");
  tip->setFixedWidth(300);
  auto* tipRows = new QVBoxLayout(tip);
  tipRows->setContentsMargins(12, 8, 12, 8);
  tipRows->setSpacing(4);
  txttiptitle = Label("txttiptitle", U(kTipTitle), tip);
  txttip = Label("txttip", U(kTipText), tip);
  txttip->setWordWrap(true);
  txttip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tipRows->addWidget(txttiptitle);
  tipRows->addWidget(txttip, 1);
  row->addWidget(tip);
  return band;
}

QWidget* Tfmjssml::BuildKeywordColumn() {
  auto* pane = new QWidget(this);
  pane->setObjectName("keypane");
  auto* rows = new QVBoxLayout(pane);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* head = new QWidget(pane);
  head->setObjectName("keyhead");
  head->setFixedHeight(36);
  auto* headRow = new QHBoxLayout(head);
  headRow->setContentsMargins(10, 0, 8, 0);
  headRow->addWidget(Label("lblkeyhead", U("已搜索关键词"), head));
  headRow->addStretch();
  btnclearhis = Button("btnclearhis", "清空历史关键词", head);
  headRow->addWidget(btnclearhis);
  rows->addWidget(head);
  listkey = new QListWidget(pane);
  listkey->setObjectName("listkey");
  listkey->setAlternatingRowColors(true);
  listkey->setUniformItemSizes(true);
  listkey->setSelectionMode(QAbstractItemView::SingleSelection);
  listkey->setContextMenuPolicy(Qt::CustomContextMenu);
  rows->addWidget(listkey, 1);
  pane->resize(240, pane->height());
  return pane;
}

QWidget* Tfmjssml::BuildResultArea() {
  auto* pane = new QWidget(this);
  pane->setObjectName("resultpane");
  auto* rows = new QVBoxLayout(pane);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* head = new QWidget(pane);
  head->setObjectName("resulthead");
  head->setFixedHeight(36);
  auto* headRow = new QHBoxLayout(head);
  headRow->setContentsMargins(12, 0, 12, 0);
  txtkeylist = Label("txtkeylist", QString(), head);
  headRow->addWidget(txtkeylist);
  headRow->addStretch();
  rows->addWidget(head);

  auto* stack = new QWidget(pane);
  stack->setObjectName("gridarea");
  auto* cell = new QGridLayout(stack);
  cell->setContentsMargins(0, 0, 0, 0);
  dblist = new QTableView(stack);
  dblist->setObjectName("dblist");
  gridModel = new TResultGridModel(dblist);
  dblist->setModel(gridModel);
  dblist->setAlternatingRowColors(true);
  dblist->setShowGrid(false);
  dblist->setFocusPolicy(Qt::NoFocus);
  dblist->setSelectionBehavior(QAbstractItemView::SelectRows);
  dblist->setSelectionMode(QAbstractItemView::SingleSelection);
  dblist->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dblist->setContextMenuPolicy(Qt::CustomContextMenu);
  dblist->verticalHeader()->hide();
  dblist->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  dblist->verticalHeader()->setDefaultSectionSize(24);
  dblist->horizontalHeader()->setHighlightSections(false);
  for (int c = 0; c < TResultGridModel::kColumns; ++c) {
    dblist->setColumnWidth(c, TResultGridModel::ColumnWidth(c));
  }
  dblist->horizontalHeader()->setStretchLastSection(true);

  imgbg = Label("imgbg", QString(), stack);
  imgbg->setAlignment(Qt::AlignCenter);
  imgbg->setPixmap(BackgroundPicture(760, 460));

  rcloading = new QWidget(stack);
  rcloading->setObjectName("rcloading");
  rcloading->setAttribute(Qt::WA_StyledBackground, true);
  auto* loadRows = new QVBoxLayout(rcloading);
  loadRows->addStretch();
  anload = new QProgressBar(rcloading);
  anload->setObjectName("anload");
  anload->setRange(0, 1);  // a running indicator is range 0..0; shown only while loading
  anload->setTextVisible(false);
  anload->setFixedSize(160, 6);
  auto* loadText = Label("lblloading", U("正在加载数据，请稍后..."), rcloading);
  loadText->setAlignment(Qt::AlignCenter);
  loadRows->addWidget(anload, 0, Qt::AlignHCenter);
  loadRows->addWidget(loadText, 0, Qt::AlignHCenter);
  loadRows->addStretch();
  rcloading->hide();

  cell->addWidget(dblist, 0, 0);
  cell->addWidget(imgbg, 0, 0);
  cell->addWidget(rcloading, 0, 0);
  rows->addWidget(stack, 1);
  return pane;
}

QWidget* Tfmjssml::BuildBottomBand() {
  auto* band = new QWidget(this);
  band->setObjectName("bottomband");
  band->setFixedHeight(32);
  auto* row = new QHBoxLayout(band);
  row->setContentsMargins(10, 0, 10, 0);
  row->setSpacing(0);
  txtrel = Label("txtrel", QString(), band);
  txtrel->setFixedWidth(245);
  txtstat = Label("txtstat", QString(), band);
  txtstat->setWordWrap(false);
  txtstat->setTextFormat(Qt::PlainText);
  txtstat->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(txtrel);
  row->addWidget(txtstat, 1);
  return band;
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

void Tfmjssml::HandleKeywordAdded(TKeyData& record) {
  // The keyword panel fills this: a new item for the record.
  (void)record;
}

void Tfmjssml::HandleCompaniesLoaded(const std::string& keyword) {
  // The keyword panel fills this: the pending action of the loaded keyword.
  (void)keyword;
}

void Tfmjssml::HandleCompanySaved(const std::string& keyword,
                                  const std::shared_ptr<TComPanyInfo>& company) {
  // The results grid fills this: a new row when the keyword is on display.
  (void)keyword;
  (void)company;
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
  // Every running keyword's task is stopped here (its stop flags set) once tasks exist.
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
  // Workers may be blocked sending to this window: keep handling events while they end.
  TWorkerRegistry::WaitUntilEmpty(kWorkerDrainMs, [] { QApplication::processEvents(); });
  FormDestroy();
}

void Tfmjssml::FormDestroy() {
  if (destroyed_) {
    return;
  }
  destroyed_ = true;
  handle_->Close();
  tmrinit->stop();
  tmrconfig->stop();
  // Every worker has ended (or the bounded wait ran out): nothing uses the locks or the store.
  rowCompanies.clear();
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
  return QMainWindow::eventFilter(watched, event);
}

void Tfmjssml::txtinfoClick() {
  txtinfo->hide();
  edtSearchKey->show();
  edtSearchKey->setFocus();
}

void Tfmjssml::edtSearchKeyEnter() {
  txtinfo->hide();
}

void Tfmjssml::edtSearchKeyExit() {
  if (edtSearchKey->text().isEmpty()) {
    edtSearchKey->hide();
    txtinfo->show();
  }
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

void Tfmjssml::HandleCollectReport(std::uintptr_t kind, std::intptr_t lParam) {
  // Worker reports are handled here once the results grid and the keyword store have joined.
  (void)kind;
  (void)lParam;
}

}  // namespace vlmr
