// The keyword panel of the main window: the entry box with its watermark and the add-task
// button, the engine boxes, the keyword list with one item per keyword, and the task commands
// (start, pause, stop, delete, clear) on the keyword store and the keywords' task controllers.
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/KeyItem.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "engine/TaskCtl.h"
#include "store/KeyListInfo.h"
#include "windows/GuiText.h"
#include "windows/Selfiled.h"

namespace vlmr {
namespace {

const char* const kStartStyle = "startbtn";
const char* const kStopStyle = "stopbtn";
const char* const kTipTitle = "温馨提示";
const char* const kTipText = "关键词可以是地区+产品，比如：广州 电子公司 或 上海 网络公司";
const char* const kTagProperty = "tag";

// Message boxes take GBK.
int Ask(const char* utf8) {
  return ShowMessageBox(Utf8ToGbk(utf8), MessageCaption(), MB_KIND_QUESTION);
}
void Tell(const char* utf8) {
  ShowMessageBox(Utf8ToGbk(utf8), MessageCaption(), MB_KIND_INFORMATION);
}

QString HintOfStyle(const QString& style) {
  return U(style == kStartStyle ? "开始搜索" : "停止搜索");
}

}  // namespace

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
  txtinfo = MakeLabel("txtinfo", U("在此处输入关键词添加任务"), box);
  txtinfo->setCursor(Qt::IBeamCursor);
  txtinfo->installEventFilter(this);
  boxLayout->addWidget(edtSearchKey, 0, 0);
  boxLayout->addWidget(txtinfo, 0, 0);
  edtSearchKey->hide();
  connect(edtSearchKey, &QLineEdit::returnPressed, this, [this] { edtSearchKeyKeyPress(13); });
  btnbaidustart = MakeButton("btnbaidustart", "添加任务", entry);
  btnbaidustart->setFixedHeight(36);
  connect(btnbaidustart, &QPushButton::clicked, this, [this] { btnbaidustartClick(); });
  BitmapButton3 = MakeButton("BitmapButton3", "导出资料", entry);
  BitmapButton3->setFixedHeight(36);
  connect(BitmapButton3, &QPushButton::clicked, this, [this] { BitmapButton3Click(); });
  searchRow->addWidget(box);
  searchRow->addWidget(btnbaidustart);
  searchRow->addWidget(BitmapButton3);
  searchRow->addStretch();
  entryRows->addLayout(searchRow);

  auto* sources = new QHBoxLayout;
  sources->setSpacing(12);
  sources->addWidget(MakeLabel("lblsource", U("信息来源："), entry));
  chkbd = new QCheckBox(U("百度"), entry);
  chkbd->setObjectName("chkbd");
  chksg = new QCheckBox(U("搜狗"), entry);
  chksg->setObjectName("chksg");
  chk360 = new QCheckBox(U("360"), entry);
  chk360->setObjectName("chk360");
  for (QCheckBox* c : {chkbd, chksg, chk360}) {
    c->setChecked(true);
    c->setCursor(Qt::PointingHandCursor);
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
  txttiptitle = MakeLabel("txttiptitle", U("温馨提示："), tip);
  txttip = MakeLabel("txttip", U(kTipText), tip);
  txttip->setWordWrap(true);
  txttip->setTextFormat(Qt::PlainText);
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
  headRow->addWidget(MakeLabel("lblkeyhead", U("已搜索关键词"), head));
  headRow->addStretch();
  btnclearhis = MakeButton("btnclearhis", "清空历史关键词", head);
  connect(btnclearhis, &QPushButton::clicked, this, [this] { btnclearhisClick(); });
  headRow->addWidget(btnclearhis);
  rows->addWidget(head);
  listkey = new QListWidget(pane);
  listkey->setObjectName("listkey");
  listkey->setAlternatingRowColors(true);
  listkey->setUniformItemSizes(true);
  listkey->setSelectionMode(QAbstractItemView::SingleSelection);
  listkey->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listkey->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  listkey->viewport()->installEventFilter(this);
  connect(listkey, &QListWidget::itemClicked, this, [this] { listkeyClick(); });
  rows->addWidget(listkey, 1);
  pane->resize(240, pane->height());
  BuildKeywordMenus();
  return pane;
}

void Tfmjssml::BuildKeywordMenus() {
  pmkey = new QMenu(this);
  pmkey->setObjectName("pmkey");
  auto entry = [this](QMenu* menu, const char* name, const char* text) {
    QAction* a = menu->addAction(U(text));
    a->setObjectName(name);
    return a;
  };
  N6 = entry(pmkey, "N6", "开始搜索");
  N6->setProperty(kTagProperty, 0);
  poppause = entry(pmkey, "poppause", "暂停任务");
  popstop = entry(pmkey, "popstop", "停止任务");
  N7 = entry(pmkey, "N7", "删除关键词");
  N7->setProperty(kTagProperty, 1);
  N10 = entry(pmkey, "N10", "将结果导出到文件");
  N10->setProperty(kTagProperty, 4);
  for (QAction* a : {N6, N7, N10})
    connect(a, &QAction::triggered, this, [this, a] { N6Click(a); });
  connect(poppause, &QAction::triggered, this, [this] { poppauseClick(); });
  connect(popstop, &QAction::triggered, this, [this] { popstopClick(); });

  pmtask = new QMenu(this);
  pmtask->setObjectName("pmtask");
  N3 = entry(pmtask, "N3", "暂停任务");
  N4 = entry(pmtask, "N4", "停止任务");
  connect(N3, &QAction::triggered, this, [this] { N3Click(); });
  connect(N4, &QAction::triggered, this, [this] { N4Click(); });

  // The hover hint of the item buttons: a small frame that never takes the focus.
  popbtn = new QFrame(this, Qt::ToolTip | Qt::FramelessWindowHint);
  popbtn->setObjectName("popbtn");
  popbtn->setAttribute(Qt::WA_ShowWithoutActivating);
  popbtn->setFixedHeight(24);
  auto* popRow = new QHBoxLayout(popbtn);
  popRow->setContentsMargins(0, 0, 0, 0);
  txtbtn = MakeLabel("txtbtn", QString(), popbtn);
  txtbtn->setAlignment(Qt::AlignCenter);
  popRow->addWidget(txtbtn);
  popbtn->hide();
}

// --- Entry box ---------------------------------------------------------------------------

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

void Tfmjssml::edtSearchKeyKeyPress(int key) {
  if (key == 13) {
    btnbaidustartClick();
  }
}

void Tfmjssml::btnbaidustartClick() {
  const std::string keyword = Trim(ToGbk(edtSearchKey->text()));
  if (keyword.empty()) {
    Tell("关键词不能为空！");
    if (edtSearchKey->isVisible()) {
      edtSearchKey->setFocus();
    }
    return;
  }
  HideBackground();
  TKeyData* record = keyStore ? keyStore->AddKeyword(keyword) : nullptr;
  if (!record) {
    Tell("任务添加失败！");
    return;
  }
  // The stored text: a keyword equal but for letter case is the existing one.
  const std::string stored = record->Keyword;
  if (Ask("任务已添加成功：\r\n      点[确定]按钮立即搜索 \r\n      点[取消]继续添加任务") !=
      MB_RESULT_CANCEL) {
    StartTask(stored);
  }
}

void Tfmjssml::BitmapButton3Click() {
  if (edtSearchKey->text().isEmpty()) {
    Tell("请先在左侧选择一个关键词！");
    return;
  }
  ExportCommand(ToGbk(edtSearchKey->text()));
}

void Tfmjssml::ExportCommand(const std::string& keyword) {
  const std::string stored = Trim(keyword);
  if (!keyStore || !keyStore->FindKeyword(stored)) {
    // Text that is not a stored keyword starts no load: nothing would ever end the wait.
    Tell("请先在左侧选择一个关键词！");
    return;
  }
  if (keyStore->RequestKeyword(stored, PENDING_EXPORT)) {
    OpenExportDialog(stored);
  } else {
    SetLoading(true);  // the load's end runs this command again
  }
}

void Tfmjssml::OpenExportDialog(const std::string& keyword) {
  TKeyData* record = keyStore ? keyStore->FindKeyword(keyword) : nullptr;
  if (record) {
    vlmr::OpenExportDialog(*keyStore, record->Keyword, this);
  }
}

// --- Keyword items -------------------------------------------------------------------------

std::string Tfmjssml::UpdateLine(const TKeyData& record) {
  return Utf8ToGbk("最后更新：") + FormatStoredTime(record.AddDate);
}

void Tfmjssml::HandleKeywordAdded(TKeyData& record) {
  ClearResultGrid();
  AddKeywordItem(record);
}

void Tfmjssml::AddKeywordItem(TKeyData& record) {
  auto* item = new QListWidgetItem(listkey);
  item->setSizeHint(QSize(0, TKeyItem::kHeight));
  auto* view = new TKeyItem;
  view->SetKeyword(record.Keyword);
  view->Field("count")->setText(FromGbk(std::to_string(record.ListCount)) + U("条"));
  view->Field("date")->setText(FromGbk(UpdateLine(record)));
  view->record = &record;

  struct TPlan {
    int tag;
    const char* name;
    int size;
    int x;
    int y;
    const char* style;
    const char* hint;
  };
  const int bottomRow = TKeyItem::kHeight - 22;
  const TPlan plans[] = {
      {0, "btnstart", 24, 5, 20, kStartStyle, "开始搜索"},
      {1, "btndelete", 18, 43, bottomRow, "delbtn", "删除此关键词"},
      {4, "btnexport", 18, 70, bottomRow, "exportbtn", "将搜索结果导出为文件"},
  };
  for (const TPlan& plan : plans) {
    auto* button = new TItemButton(plan.tag, view);
    button->setObjectName(plan.name);
    button->setGeometry(plan.x, plan.y, plan.size, plan.size);
    button->SetStyle(U(plan.style));
    button->SetHint(U(plan.hint));
    button->SetShowHint(true);
    connect(button, &QToolButton::clicked, this, [this, button] { ItemButtonClick(*button); });
    if (plan.tag == 0) {
      view->startButton = button;
    } else {
      button->onEnter = [this](TItemButton& b) { ShowButtonHint(b); };
      button->onLeave = [this](TItemButton&) { HideButtonHint(); };
      (plan.tag == 1 ? view->deleteButton : view->exportButton) = button;
    }
  }
  listkey->setItemWidget(item, view);
  ShowTotalCount();
}

QListWidgetItem* Tfmjssml::FindKeywordItem(const std::string& keyword) const {
  for (int i = 0; i < listkey->count(); ++i) {
    QListWidgetItem* item = listkey->item(i);
    TKeyItem* view = KeyItemOf(item);
    if (view && view->Keyword() == keyword) {
      return item;
    }
  }
  return nullptr;
}

TKeyItem* Tfmjssml::KeyItemOf(QListWidgetItem* item) const {
  return item ? qobject_cast<TKeyItem*>(listkey->itemWidget(item)) : nullptr;
}

void Tfmjssml::ShowButtonHint(TItemButton& button) {
  if (button.Hint().isEmpty()) {
    return;
  }
  button.SetShowHint(false);
  txtbtn->setText(button.Hint());
  popbtn->setFixedWidth(12 * static_cast<int>(button.Hint().size()) + 15);
  popbtn->move(button.mapToGlobal(QPoint(0, button.height() + 2)));
  popbtn->show();
}

void Tfmjssml::HideButtonHint() {
  popbtn->hide();
}

void Tfmjssml::ItemButtonClick(TItemButton& button) {
  try {
    if (auto* view = qobject_cast<TKeyItem*>(button.parentWidget())) {
      ItemCommand(*view, button.Tag());
    }
  } catch (...) {
    // The window stays usable whatever the command met.
  }
}

void Tfmjssml::ItemCommand(TKeyItem& view, int tag) {
  const std::string keyword = view.Keyword();
  switch (tag) {
    case 0:
      if (view.startButton && view.startButton->Style() == kStartStyle) {
        StartTask(keyword);
      } else {
        listkeyHint_ = keyword;
        pmtask->popup(QCursor::pos());
      }
      break;
    case 1:
      if (ConfirmDeleteKeyword(keyword)) {
        RemoveKeywordItem(FindKeywordItem(keyword));
      }
      break;
    case 4:
      ExportCommand(keyword);
      break;
    default:
      break;
  }
}

void Tfmjssml::listkeyMouseUp(Qt::MouseButton button, const QPoint& position) {
  if (button != Qt::RightButton) {
    return;
  }
  menuTargetItem = listkey->itemAt(position);
  TKeyItem* view = KeyItemOf(menuTargetItem);
  if (!view) {
    return;  // a menu of keyword commands over no keyword would do nothing
  }
  const bool running = view->startButton && view->startButton->Style() != kStartStyle;
  N6->setVisible(!running);
  poppause->setVisible(running);
  popstop->setVisible(running);
  const QByteArray keyword = QByteArray::fromStdString(view->Keyword());
  poppause->setData(keyword);
  popstop->setData(keyword);
  poppause->setToolTip(FromGbk(view->Keyword()));
  popstop->setToolTip(FromGbk(view->Keyword()));
  pmkey->popup(listkey->viewport()->mapToGlobal(position));
}

void Tfmjssml::N6Click(QAction* entry) {
  try {
    TKeyItem* view = KeyItemOf(menuTargetItem);
    if (view && entry) {
      ItemCommand(*view, entry->property(kTagProperty).toInt());
    }
  } catch (...) {
    // As for the item buttons.
  }
}

void Tfmjssml::poppauseClick() {
  PauseTask(poppause->data().toByteArray().toStdString());
}
void Tfmjssml::popstopClick() {
  StopTask(popstop->data().toByteArray().toStdString(), true);
}
void Tfmjssml::N3Click() {
  PauseTask(listkeyHint_);
}
void Tfmjssml::N4Click() {
  StopTask(listkeyHint_, true);
}

void Tfmjssml::listkeyClick() {
  TKeyItem* view = KeyItemOf(listkey->currentItem());
  if (!view || !keyStore) {
    return;
  }
  const std::string keyword = view->Keyword();
  ClearResultGrid();
  edtSearchKey->setText(FromGbk(keyword));
  edtSearchKey->show();
  txtinfo->hide();
  HideBackground();
  SetLoading(true);
  currentKeyword = keyword;
  keyStore->LoadCompanies(keyword);
  if (TKeyData* record = keyStore->FindKeyword(keyword)) {
    txtstat->setText(U("当前已选择[") + FromGbk(keyword) + U("]"));
    if (record->TaskControl) {
      txttiptitle->setText(U("正在搜索"));
      txttip->setText(record->StatusText.empty() ? U("正在搜索中...")
                                                 : FromGbk(record->StatusText));
    } else {
      txttiptitle->setText(U(kTipTitle));
      txttip->setText(U(kTipText));
    }
  }
}

// --- Task commands -------------------------------------------------------------------------

bool Tfmjssml::AnyEngineTicked() const {
  return chkbd->isChecked() || chksg->isChecked() || chk360->isChecked();
}

TTaskCtl* Tfmjssml::MakeTaskController(const std::string& keyword) {
  std::shared_ptr<TTaskCtl> controller = TTaskCtl::Create(keyword, handle_, chkbd->isChecked(),
                                                          chksg->isChecked(), chk360->isChecked());
  TTaskCtl* raw = controller.get();
  taskControllers_.emplace(raw, std::move(controller));
  return raw;
}

void Tfmjssml::DropTaskController(TTaskCtl* controller) {
  taskControllers_.erase(controller);
}

void Tfmjssml::StartTask(const std::string& keyword) {
  if (!keyStore) {
    return;
  }
  TKeyData* known = keyStore->FindKeyword(keyword);
  if (!known) {
    return;
  }
  const bool resumes = known->TaskControl && known->TaskControl->IsRunning();
  if (!resumes && !AnyEngineTicked()) {
    // A task without an engine would never end and could never be stopped.
    Tell("请至少选择一个信息来源！");
    return;
  }
  TKeyData* record = keyStore->RequestKeyword(keyword, PENDING_START);
  if (!record) {
    return;  // the load's end starts the task
  }
  TTaskCtl* controller = record->TaskControl;
  if (!controller || !controller->IsRunning()) {
    if (!controller) {
      controller = MakeTaskController(record->Keyword);
      record->TaskControl = controller;
    }
    controller->useBaidu = chkbd->isChecked();
    controller->useSogou = chksg->isChecked();
    controller->use360 = chk360->isChecked();
    controller->startPageBaidu = record->LastPageOf(ENGINE_BAIDU);
    controller->startPageSogou = record->LastPageOf(ENGINE_SOGOU);
    controller->startPage360 = record->LastPageOf(ENGINE_360);
    controller->onEngineEnd = [self = self_](TTaskCtl& ctl, int engine, const std::string& k,
                                             int page) {
      if (*self) {
        (*self)->HandleEngineFinished(ctl, engine, k, page);
      }
    };
    controller->Start();
    if (!controller->IsRunning()) {
      return;  // no collector thread could be made: the item stays idle
    }
  } else {
    controller->Pause(false);
  }
  RefreshItemDate(record->Keyword, 0, true, kStopStyle);
}

void Tfmjssml::HandleEngineFinished(TTaskCtl& controller, int engineIndex,
                                    const std::string& keyword, int page) {
  if (!keyStore) {
    return;
  }
  // An engine of a task stopped earlier may end while a newer task of the keyword runs: the
  // item then keeps the newer task's look.
  TKeyData* record = keyStore->FindKeyword(keyword);
  const bool newerRuns = record && record->TaskControl && record->TaskControl != &controller &&
                         record->TaskControl->IsRunning();
  if (!newerRuns) {
    RefreshItemDate(keyword, 0, true, kStartStyle);
  }
  if (engineIndex >= ENGINE_BAIDU && engineIndex <= ENGINE_360) {
    keyStore->StoreLastPage(keyword, page, static_cast<TEngineIndex>(engineIndex));
  }
}

void Tfmjssml::PauseTask(const std::string& keyword) {
  if (!keyStore) {
    return;
  }
  // The paused task's companies are loaded; asking the store with the start action could
  // leave a start pending behind a reload, so the controller is paused directly.
  TKeyData* record = keyStore->FindKeyword(keyword);
  if (record && record->TaskControl) {
    record->TaskControl->Pause(true);
    SetItemStateText(record->Keyword, Utf8ToGbk("任务已暂停..."), 0, true, kStartStyle);
  }
}

void Tfmjssml::StopTask(const std::string& keyword, bool showState) {
  if (keyword.empty() || !keyStore) {
    return;
  }
  try {
    TKeyData* record = keyStore->RequestKeyword(keyword, PENDING_STOP);
    if (!record || !record->TaskControl) {
      return;
    }
    TTaskCtl* controller = record->TaskControl;
    const bool running = controller->IsRunning();
    controller->StopAll();
    if (showState) {
      if (running) {
        SetItemStateText(record->Keyword, Utf8ToGbk("正在停止任务..."), 0, false, kStopStyle);
      } else {
        // No engine is left to report an end: the item is idle at once.
        RefreshItemDate(record->Keyword, 0, true, kStartStyle);
      }
    }
    record->TaskControl = nullptr;
    DropTaskController(controller);
  } catch (...) {
    // The record keeps its controller.
  }
}

bool Tfmjssml::ConfirmDeleteKeyword(const std::string& keyword) {
  const std::string question = Utf8ToGbk("确定要删除关键词 [") + keyword + Utf8ToGbk("] 吗?");
  if (ShowMessageBox(question, MessageCaption(), MB_KIND_QUESTION) == MB_RESULT_CANCEL) {
    return false;
  }
  StopTask(keyword, true);
  if (keyStore) {
    keyStore->DeleteKeyword(keyword);
  }
  return true;
}

void Tfmjssml::RemoveKeywordItem(QListWidgetItem* item) {
  if (!item) {
    return;
  }
  if (menuTargetItem == item) {
    menuTargetItem = nullptr;
  }
  HideButtonHint();
  // The item's buttons may be the sender of the click being handled: they go once it returns.
  if (QWidget* view = listkey->itemWidget(item)) {
    view->hide();
    view->deleteLater();
  }
  delete listkey->takeItem(listkey->row(item));
}

void Tfmjssml::ClearKeywordItems() {
  while (listkey->count() > 0) {
    RemoveKeywordItem(listkey->item(listkey->count() - 1));
  }
}

void Tfmjssml::btnclearhisClick() {
  if (Ask("清空会将所有搜索到的结果删除，确定要清空历史已搜索的历史记录吗？") == MB_RESULT_CANCEL) {
    return;
  }
  // Tasks of keywords that no longer exist would page the engines for nothing.
  StopAllTasks();
  if (keyStore) {
    keyStore->DeleteAllKeywords();
  }
  ClearKeywordItems();
  ClearResultGrid();
  txtkeylist->clear();
  ShowTotalCount();
}

void Tfmjssml::HandleCompaniesLoaded(const std::string& keyword) {
  if (!keyStore) {
    return;
  }
  const TCompanyList* companies = keyStore->CompanyListOf(keyword);
  if (!companies) {
    return;
  }
  SetLoading(false);
  switch (keyStore->TakePendingAction(keyword)) {
    case PENDING_SHOW:
      currentKeyword = keyword;
      FillResultGrid(*companies);
      break;
    case PENDING_START:
      currentKeyword = keyword;
      FillResultGrid(*companies);
      StartTask(keyword);
      break;
    case PENDING_EXPORT:
      ExportCommand(keyword);
      break;
    default:
      break;
  }
}

// --- Item looks --------------------------------------------------------------------------

void Tfmjssml::SetItemLook(QListWidgetItem* item, int tag, bool enabled, const QString& style) {
  TKeyItem* view = KeyItemOf(item);
  if (!view) {
    return;
  }
  if (TItemButton* button = view->ButtonWithTag(tag)) {
    button->SetStyle(style);
    button->setEnabled(enabled);
    button->SetHint(HintOfStyle(style));
  }
  txtstat->clear();
}

void Tfmjssml::RefreshItemDate(const std::string& keyword, int tag, bool enabled,
                               const QString& style) {
  QListWidgetItem* item = FindKeywordItem(keyword);
  TKeyData* record = keyStore ? keyStore->FindKeyword(keyword) : nullptr;
  if (!item || !record) {
    return;
  }
  KeyItemOf(item)->Field("date")->setText(FromGbk(UpdateLine(*record)));
  SetItemLook(item, tag, enabled, style);
}

void Tfmjssml::SetItemStateText(const std::string& keyword, const std::string& stateText, int tag,
                                bool enabled, const QString& style) {
  QListWidgetItem* item = FindKeywordItem(keyword);
  if (!item) {
    return;
  }
  KeyItemOf(item)->Field("date")->setText(FromGbk(stateText));
  SetItemLook(item, tag, enabled, style);
}

void Tfmjssml::RefreshItemCount(const std::string& keyword) {
  QListWidgetItem* item = FindKeywordItem(keyword);
  TKeyData* record = keyStore ? keyStore->FindKeyword(keyword) : nullptr;
  if (!item || !record) {
    return;
  }
  TKeyItem* view = KeyItemOf(item);
  view->Field("count")->setText(FromGbk(std::to_string(record->ListCount)) + U("条"));
  view->Field("date")->setText(FromGbk(UpdateLine(*record)));
}

}  // namespace vlmr
