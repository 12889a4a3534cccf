// The results grid's model: it keeps only a row count and asks its owner for every cell it
// shows, so filling costs nothing but the count.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <functional>

namespace vlmr {

class TResultGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Answers a cell (column, 0-based row): a text, a picture, or nothing.
  using TCellSource = std::function<QVariant(int column, int row, int role)>;

  explicit TResultGridModel(QObject* parent = nullptr);

  void SetCellSource(TCellSource source) { source_ = std::move(source); }
  int RowCount() const { return rows_; }
  void SetRowCount(int rows);
  // Adds one row at the end.
  void AppendRow();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  static constexpr int kColumns = 6;
  static int ColumnWidth(int column);

 private:
  int rows_ = 0;
  TCellSource source_;
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
