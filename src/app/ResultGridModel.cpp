#include "app/ResultGridModel.h"

#include <QApplication>
#include <QPainter>
#include <QStringList>
#include <array>
#include <iterator>

#include "base/Text.h"
#include "base/Utils.h"
#include "engine/Region.h"
#include "store/ResultFilter.h"
#include "windows/GuiText.h"

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
    {"地区", 80},
}};

const char* const kMarkHint = "带图标的为推广用户";
const char* const kSharedHint = "手机号码都是共享号码（三家以上不同公司使用）";

// A list's text form (every entry followed by CR LF) with each LF made one blank.
std::string OneLine(const TUniqueStringList& list) {
  return ReplaceAll(list.TextForm(), "\n", " ");
}

}  // namespace

TResultGridModel::TResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultGridModel::SetSharedMark(QPixmap shared,
                                     const std::unordered_set<std::string>* numbers) {
  shared_ = std::move(shared);
  sharedNumbers_ = numbers;
}

void TResultGridModel::SetMarks(QPixmap promoted, QPixmap certified, QPixmap plain) {
  promoted_ = std::move(promoted);
  certified_ = std::move(certified);
  plain_ = std::move(plain);
}

void TResultGridModel::SetRows(std::vector<TRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void TResultGridModel::AppendRow(TRow row) {
  const int at = RowCount();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(std::move(row));
  endInsertRows();
}

void TResultGridModel::AppendRows(std::vector<TRow> rows) {
  if (rows.empty()) {
    return;
  }
  const int at = RowCount();
  beginInsertRows(QModelIndex(), at, at + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  endInsertRows();
}

void TResultGridModel::Clear() {
  SetRows({});
}

const TResultGridModel::TRow& TResultGridModel::CompanyAt(int row) const {
  static const TRow none;
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)] : none;
}

int TResultGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int TResultGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TResultGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) {
    return {};
  }
  return Cell(static_cast<TResultColumn>(index.column()), index.row(), role);
}

QVariant TResultGridModel::Cell(TResultColumn column, int row, int role) const {
  // The view asks every cell for many roles each time it draws; only these have values.
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole) {
    return {};
  }
  const TRow& record = CompanyAt(row);
  if (!record) {
    return {};
  }
  const TComPanyInfo& company = *record;
  if (column == TResultColumn::Mark) {
    const bool shared = sharedNumbers_ && AllMobilesShared(company, *sharedNumbers_);
    if (role == Qt::DecorationRole) {
      return shared                  ? shared_
             : company.isPay == 1    ? promoted_
             : company.renZheng == 1 ? certified_
                                     : plain_;
    }
    if (role == Qt::ToolTipRole) {
      return QString::fromUtf8(shared ? kSharedHint : kMarkHint);
    }
    return {};
  }
  if (column == TResultColumn::Region) {
    const TRegion& region = company.region;
    if (role == Qt::DisplayRole) {
      return FromGbk(region.city.empty() ? region.province : region.city);
    }
    if (role == Qt::ToolTipRole && !region.empty()) {
      return FromGbk(region.province) + FromGbk(region.city == region.province ? "" : region.city) +
             QString::fromUtf8("（来自%1）")
                 .arg(QString::fromUtf8(RegionSourceLabel(region.source)));
    }
    return {};
  }
  if (column == TResultColumn::Mobiles && role == Qt::ToolTipRole) {
    // The shared ones, as a hint.
    QStringList shared;
    for (const std::string& number : company.mobiles) {
      if (sharedNumbers_ && sharedNumbers_->count(number)) {
        shared << FromGbk(number);
      }
    }
    if (shared.empty()) {
      return {};
    }
    return QString::fromUtf8("共享号码（三家以上不同公司使用）：") + shared.join(' ');
  }
  if (role != Qt::DisplayRole) {
    return {};
  }
  switch (column) {
    case TResultColumn::Name: {
      std::string name = Trim(company.GetComName());
      if (name.size() > 34) {
        name = Trim(ShortenText(name, 34));
      }
      return FromGbk(name);
    }
    case TResultColumn::Mobiles:
      return FromGbk(ShortenText(OneLine(company.mobiles), 26));
    case TResultColumn::QQ:
      return FromGbk(OneLine(company.qqs));
    case TResultColumn::Email:
      return FromGbk(OneLine(company.emails));
    case TResultColumn::Source:
      return FromGbk(Trim(company.source));
    default:
      return {};
  }
}

QVariant TResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return QString::fromUtf8(kColumnSet[static_cast<std::size_t>(section)].header);
  }
  if (role == Qt::ToolTipRole && section == 0) {
    return QString::fromUtf8(kMarkHint);
  }
  return {};
}

int TResultGridModel::ColumnWidth(TResultColumn column) {
  const int c = static_cast<int>(column);
  return c >= 0 && c < kColumns ? kColumnSet[static_cast<std::size_t>(c)].width : 0;
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
