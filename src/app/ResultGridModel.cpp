#include "app/ResultGridModel.h"

#include <QApplication>
#include <QPainter>
#include <array>

namespace vlmr {
namespace {

struct TColumn {
  const char* header;
  int width;
};

constexpr std::array<TColumn, TResultGridModel::kColumns> kColumnSet = {{
    {"", 31},
    {"公司名", 231},
    {"手机", 175},
    {"QQ", 100},
    {"邮箱", 142},
    {"来源", 40},
}};

}  // namespace

TResultGridModel::TResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultGridModel::SetRowCount(int rows) {
  beginResetModel();
  rows_ = rows < 0 ? 0 : rows;
  endResetModel();
}

void TResultGridModel::AppendRow() {
  beginInsertRows(QModelIndex(), rows_, rows_);
  ++rows_;
  endInsertRows();
}

int TResultGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TResultGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TResultGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !source_) {
    return {};
  }
  return source_(index.column(), index.row(), role);
}

QVariant TResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return QString::fromUtf8(kColumnSet[static_cast<std::size_t>(section)].header);
  }
  if (role == Qt::ToolTipRole && section == 0) {
    return QString::fromUtf8("带图标的为推广用户");
  }
  return {};
}

int TResultGridModel::ColumnWidth(int column) {
  return column >= 0 && column < kColumns ? kColumnSet[static_cast<std::size_t>(column)].width : 0;
}

QString TResultGridDelegate::displayText(const QVariant& value, const QLocale& locale) const {
  QString text = QStyledItemDelegate::displayText(value, locale);
  text.remove(QLatin1Char('\r'));
  return text;
}

void TResultGridDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  option->state &= ~QStyle::State_HasFocus;
}

void TResultGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  if (index.column() != 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The background as for any cell, then the picture in the middle.
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.icon = QIcon();
  background.features &= ~QStyleOptionViewItem::HasDecoration;
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, view);
  const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
  if (!picture.isNull()) {
    const QRect r = option.rect;
    painter->drawPixmap(r.x() + (r.width() - picture.width()) / 2,
                        r.y() + (r.height() - picture.height()) / 2, picture);
  }
}

}  // namespace vlmr
