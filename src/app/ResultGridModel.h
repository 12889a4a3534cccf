// The results grid's model: it owns the rows on display (shared company records, so that a row
// stays readable after its keyword's list lets it go) and answers every cell from them with the
// grid's display rules: the name trimmed and cut to 34 bytes, mobiles cut to 26, lists on one
// line, the promoted / certified / plain picture in the first column (a company whose every
// mobile is shared gets a picture of its own), the region's city with its province as a hint.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/records/KeyUnit.h"

namespace vlmr {

// The grid's columns, in their order on screen.
enum class TResultColumn : int { Mark, Name, Mobiles, QQ, Email, Source, Region, Count };

class TResultGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using TRow = std::shared_ptr<TComPanyInfo>;

  explicit TResultGridModel(QObject* parent = nullptr);

  // The three pictures of the first column.
  void SetMarks(QPixmap promoted, QPixmap certified, QPixmap plain);
  // The picture of a company whose every mobile is shared, and the shared numbers' digits (the
  // store's; they must outlive the model or be replaced by nullptr).
  void SetSharedMark(QPixmap shared, const std::unordered_set<std::string>* numbers);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Replaces every row (one reset).
  void SetRows(std::vector<TRow> rows);
  // Adds one row at the end.
  void AppendRow(TRow row);
  // Adds rows at the end (one insertion).
  void AppendRows(std::vector<TRow> rows);
  void Clear();
  // The record of a row, or nullptr outside the rows.
  const TRow& CompanyAt(int row) const;

  // What a cell shows for a role: a text, a picture, a hint, or nothing.
  QVariant Cell(TResultColumn column, int row, int role) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  static constexpr int kColumns = static_cast<int>(TResultColumn::Count);
  static int ColumnWidth(TResultColumn column);

 private:
  std::vector<TRow> rows_;
  QPixmap promoted_;
  QPixmap certified_;
  QPixmap plain_;
  QPixmap shared_;
  const std::unordered_set<std::string>* sharedNumbers_ = nullptr;
};

// Draws the grid's cells: the picture of column 0 centred, texts on one line (a list's CR
// line ends are not drawn), and no focus frame around the current cell.
class TResultGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QString displayText(const QVariant& value, const QLocale& locale) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace vlmr
