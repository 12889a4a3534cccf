#include "app/KeyItem.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>

#include "app/Icons.h"
#include "windows/GuiText.h"

namespace vlmr {

TItemButton::TItemButton(int tag, QWidget* parent) : QToolButton(parent), tag_(tag) {
  setCursor(Qt::PointingHandCursor);
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
}

void TItemButton::SetStyle(const QString& style) {
  style_ = style;
  setProperty("keystyle", style);
  if (style == "startbtn") {
    setIcon(StartIcon());
  } else if (style == "stopbtn") {
    setIcon(StopIcon());
  } else if (style == "delbtn") {
    setIcon(DeleteIcon());
  } else if (style == "exportbtn") {
    setIcon(ExportIcon());
  }
  setIconSize(size());
}

void TItemButton::SetHint(const QString& hint) {
  hint_ = hint;
  setToolTip(showHint_ ? hint_ : QString());
}

void TItemButton::SetShowHint(bool show) {
  showHint_ = show;
  setToolTip(showHint_ ? hint_ : QString());
}

bool TItemButton::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && !showHint_) {
    e->ignore();
    return true;
  }
  return QToolButton::event(e);
}

void TItemButton::enterEvent(QEnterEvent* e) {
  QToolButton::enterEvent(e);
  if (onEnter)
    onEnter(*this);
}

void TItemButton::leaveEvent(QEvent* e) {
  QToolButton::leaveEvent(e);
  if (onLeave)
    onLeave(*this);
}

TKeyItem::TKeyItem(QWidget* parent) : QWidget(parent) {
  setObjectName("keyitem");
  setFixedHeight(kHeight);
  setAttribute(Qt::WA_TranslucentBackground);
  // Left of the texts sits the start button (24 x 24 at 5, 20); below them the delete and
  // export buttons (18 x 18 at x 43 and 70, 22 above the bottom).
  text_ = new QLabel(this);
  text_->setObjectName("text");
  text_->setGeometry(38, 5, 140, 20);
  text_->setTextFormat(Qt::PlainText);
  count_ = new QLabel(this);
  count_->setObjectName("count");
  count_->setGeometry(178, 5, 52, 20);
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  count_->setTextFormat(Qt::PlainText);
  date_ = new QLabel(this);
  date_->setObjectName("date");
  date_->setGeometry(38, 25, 194, 16);
  date_->setTextFormat(Qt::PlainText);
  for (QLabel* l : {text_, count_, date_})
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QLabel* TKeyItem::Field(const char* name) const {
  const std::string n(name);
  if (n == "text")
    return text_;
  if (n == "count")
    return count_;
  if (n == "date")
    return date_;
  return nullptr;
}

void TKeyItem::SetKeyword(const std::string& keyword) {
  keyword_ = keyword;
  ElideKeyword();
}

void TKeyItem::ElideKeyword() {
  const QString full = FromGbk(keyword_);
  text_->setText(text_->fontMetrics().elidedText(full, Qt::ElideRight, text_->width()));
  setToolTip(text_->text() == full ? QString() : full);
}

void TKeyItem::SetCount(const QString& text) {
  // The fields end at x 230; the count takes at least its usual 52 pixels.
  constexpr int kRight = 230;
  constexpr int kCountWidth = 52;
  count_->setText(text);
  const int width = std::max(kCountWidth, count_->fontMetrics().horizontalAdvance(text) + 2);
  count_->setGeometry(kRight - width, count_->y(), width, count_->height());
  const int textWidth = count_->x() - text_->x();
  if (textWidth != text_->width()) {
    text_->resize(textWidth, text_->height());
    ElideKeyword();
  }
}

TItemButton* TKeyItem::ButtonWithTag(int tag) const {
  for (TItemButton* b : {startButton, deleteButton, exportButton}) {
    if (b && b->Tag() == tag)
      return b;
  }
  return nullptr;
}

}  // namespace vlmr
