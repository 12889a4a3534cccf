#include "app/ResultGridModel.h"

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

}  // namespace vlmr
