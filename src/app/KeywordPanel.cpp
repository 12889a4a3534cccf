#include "app/KeywordPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/KeyItem.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "windows/GuiText.h"

namespace vlmr {
namespace {

const char* const kStartStyle = "startbtn";
const char* const kStopStyle = "stopbtn";
const char* const kTagProperty = "tag";

QString HintOfStyle(const QString& style) {
  return U(style == kStartStyle ? "开始搜索" : "停止搜索");
}

QString CountText(int count) {
  return QString::number(count) + U("条");
}

}  // namespace

TKeywordPanel::TKeywordPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("keypane");
  entryBar_ = BuildEntryBar();
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* head = new QWidget(this);
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
  listkey = new QListWidget(this);
  listkey->setObjectName("listkey");
  listkey->setAlternatingRowColors(true);
  listkey->setUniformItemSizes(true);
  listkey->setSelectionMode(QAbstractItemView::SingleSelection);
  listkey->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listkey->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  listkey->viewport()->installEventFilter(this);
  connect(listkey, &QListWidget::itemClicked, this, [this] { listkeyClick(); });
  rows->addWidget(listkey, 1);
  resize(240, height());
  BuildMenus();
}

QWidget* TKeywordPanel::BuildEntryBar() {
  auto* entry = new QWidget(this);
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
  connect(edtSearchKey, &QLineEdit::returnPressed, this, [this] { btnbaidustartClick(); });
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
  return entry;
}

void TKeywordPanel::BuildMenus() {
  pmkey = new QMenu(this);
  pmkey->setObjectName("pmkey");
  auto entry = [](QMenu* menu, const char* name, const char* text) {
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
  for (QAction* a : {N6, N7, N10}) {
    connect(a, &QAction::triggered, this, [this, a] {
      if (TKeyItem* view = KeyItemOf(menuTargetItem)) {
        ItemCommand(*view, a->property(kTagProperty).toInt());
      }
    });
  }
  connect(poppause, &QAction::triggered, this,
          [this] { emit pauseRequested(poppause->data().toByteArray().toStdString()); });
  connect(popstop, &QAction::triggered, this,
          [this] { emit stopRequested(popstop->data().toByteArray().toStdString()); });

  pmtask = new QMenu(this);
  pmtask->setObjectName("pmtask");
  N3 = entry(pmtask, "N3", "暂停任务");
  N4 = entry(pmtask, "N4", "停止任务");
  connect(N3, &QAction::triggered, this, [this] { emit pauseRequested(listkeyHint_); });
  connect(N4, &QAction::triggered, this, [this] { emit stopRequested(listkeyHint_); });

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

TEngineChoice TKeywordPanel::Engines() const {
  return {chkbd->isChecked(), chksg->isChecked(), chk360->isChecked()};
}

bool TKeywordPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtinfo && event->type() == QEvent::MouseButtonPress) {
    txtinfoClick();
    return true;
  }
  if (watched == edtSearchKey) {
    if (event->type() == QEvent::FocusIn)
      txtinfo->hide();
    if (event->type() == QEvent::FocusOut)
      edtSearchKeyExit();
  }
  if (listkey && watched == listkey->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    listkeyMouseUp(mouse->button(), mouse->position().toPoint());
  }
  return QWidget::eventFilter(watched, event);
}

// --- Entry box ---------------------------------------------------------------------------

void TKeywordPanel::txtinfoClick() {
  txtinfo->hide();
  edtSearchKey->show();
  edtSearchKey->setFocus();
}

void TKeywordPanel::edtSearchKeyExit() {
  if (edtSearchKey->text().isEmpty()) {
    edtSearchKey->hide();
    txtinfo->show();
  }
}

void TKeywordPanel::btnbaidustartClick() {
  const std::string utf8 = edtSearchKey->text().toStdString();
  // A character GBK cannot hold would be stored as "?": the keyword is refused, the text stays.
  const std::string unstorable = FirstCharWithoutGbk(utf8);
  if (!unstorable.empty()) {
    // The message is GBK too: the character is named by its code.
    const QList<uint> code = QString::fromStdString(unstorable).toUcs4();
    const QString name = QString("U+%1").arg(code.value(0), 4, 16, QChar('0')).toUpper();
    Tell("关键词中含有无法保存的字符（" + name.toStdString() +
         "），请删除或换成其他文字后再添加。");
    edtSearchKey->setFocus();
    return;
  }
  const std::string keyword = Trim(ToGbk(edtSearchKey->text()));
  if (keyword.empty()) {
    Tell("关键词不能为空！");
    if (edtSearchKey->isVisible()) {
      edtSearchKey->setFocus();
    }
    return;
  }
  emit addRequested(keyword);
}

void TKeywordPanel::BitmapButton3Click() {
  if (edtSearchKey->text().isEmpty()) {
    Tell("请先在左侧选择一个关键词！");
    return;
  }
  emit exportRequested(ToGbk(edtSearchKey->text()));
}

void TKeywordPanel::btnclearhisClick() {
  if (Ask("清空会将所有搜索到的结果删除，确定要清空历史已搜索的历史记录吗？") == MB_RESULT_CANCEL) {
    return;
  }
  emit clearRequested();
}

// --- Keyword items -------------------------------------------------------------------------

void TKeywordPanel::AddKeyword(const std::string& keyword, int count,
                               const std::string& stateLine) {
  auto* item = new QListWidgetItem(listkey);
  item->setSizeHint(QSize(0, TKeyItem::kHeight));
  auto* view = new TKeyItem;
  view->SetKeyword(keyword);
  view->SetCount(CountText(count));
  view->Field("date")->setText(FromGbk(stateLine));

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
    connect(button, &QToolButton::clicked, this, [this, button] {
      if (auto* owner = qobject_cast<TKeyItem*>(button->parentWidget())) {
        ItemCommand(*owner, button->Tag());
      }
    });
    if (plan.tag == 0) {
      view->startButton = button;
    } else {
      button->onEnter = [this](TItemButton& b) { ShowButtonHint(b); };
      button->onLeave = [this](TItemButton&) { HideButtonHint(); };
      (plan.tag == 1 ? view->deleteButton : view->exportButton) = button;
    }
  }
  listkey->setItemWidget(item, view);
}

QListWidgetItem* TKeywordPanel::FindItem(const std::string& keyword) const {
  for (int i = 0; i < listkey->count(); ++i) {
    QListWidgetItem* item = listkey->item(i);
    TKeyItem* view = KeyItemOf(item);
    if (view && view->Keyword() == keyword) {
      return item;
    }
  }
  return nullptr;
}

bool TKeywordPanel::HasKeyword(const std::string& keyword) const {
  return FindItem(keyword) != nullptr;
}

TKeyItem* TKeywordPanel::KeyItemOf(QListWidgetItem* item) const {
  return item ? qobject_cast<TKeyItem*>(listkey->itemWidget(item)) : nullptr;
}

void TKeywordPanel::ShowButtonHint(TItemButton& button) {
  if (button.Hint().isEmpty()) {
    return;
  }
  button.SetShowHint(false);
  txtbtn->setText(button.Hint());
  popbtn->setFixedWidth(12 * static_cast<int>(button.Hint().size()) + 15);
  popbtn->move(button.mapToGlobal(QPoint(0, button.height() + 2)));
  popbtn->show();
}

void TKeywordPanel::HideButtonHint() {
  popbtn->hide();
}

void TKeywordPanel::ItemCommand(TKeyItem& view, int tag) {
  const std::string keyword = view.Keyword();
  switch (tag) {
    case 0:
      if (view.startButton && view.startButton->Style() == kStartStyle) {
        emit startRequested(keyword);
      } else {
        listkeyHint_ = keyword;
        pmtask->popup(QCursor::pos());
      }
      break;
    case 1:
      if (Ask("确定要删除关键词 [" + GbkToUtf8(keyword) + "] 吗?") != MB_RESULT_CANCEL) {
        emit deleteRequested(keyword);
      }
      break;
    case 4:
      emit exportRequested(keyword);
      break;
    default:
      break;
  }
}

void TKeywordPanel::listkeyMouseUp(Qt::MouseButton button, const QPoint& position) {
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

void TKeywordPanel::listkeyClick() {
  TKeyItem* view = KeyItemOf(listkey->currentItem());
  if (!view) {
    return;
  }
  const std::string keyword = view->Keyword();
  edtSearchKey->setText(FromGbk(keyword));
  edtSearchKey->show();
  txtinfo->hide();
  emit selected(keyword);
}

void TKeywordPanel::RemoveItem(QListWidgetItem* item) {
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

void TKeywordPanel::RemoveKeyword(const std::string& keyword) {
  RemoveItem(FindItem(keyword));
}

void TKeywordPanel::ClearKeywords() {
  while (listkey->count() > 0) {
    RemoveItem(listkey->item(listkey->count() - 1));
  }
}

// --- Item looks --------------------------------------------------------------------------

void TKeywordPanel::ShowItemState(const std::string& keyword, TTaskState state,
                                  const std::string& updateLine) {
  TKeyItem* view = KeyItemOf(FindItem(keyword));
  if (!view) {
    return;
  }
  struct TLook {
    const char* style;
    bool enabled;
    const char* line;  // nullptr: the update line
  };
  static const TLook looks[] = {
      {kStartStyle, true, nullptr},            // Idle
      {kStopStyle, true, nullptr},             // Running
      {kStartStyle, true, "任务已暂停..."},    // Paused
      {kStopStyle, false, "正在停止任务..."},  // Stopping
  };
  const TLook& look = looks[static_cast<std::size_t>(state)];
  view->Field("date")->setText(look.line ? U(look.line) : FromGbk(updateLine));
  if (TItemButton* button = view->startButton) {
    button->SetStyle(U(look.style));
    button->setEnabled(look.enabled);
    button->SetHint(HintOfStyle(U(look.style)));
  }
  emit itemLookChanged();
}

void TKeywordPanel::SetItemCount(const std::string& keyword, int count,
                                 const std::string& stateLine) {
  TKeyItem* view = KeyItemOf(FindItem(keyword));
  if (!view) {
    return;
  }
  view->SetCount(CountText(count));
  view->Field("date")->setText(FromGbk(stateLine));
}

}  // namespace vlmr
