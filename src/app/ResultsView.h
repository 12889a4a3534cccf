// The results view: the grid of the keyword on display over a model that owns its rows, the
// record count above it, the background picture shown until the first keyword is used, the
// loading overlay, and the grid's menu. A double click opens a company's details; the menu's
// delete asks first and then asks the window to delete.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <string>

#include "engine/records/KeyUnit.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTableView;

namespace vlmr {

class TCompanyList;
class TResultGridModel;

class TResultsView : public QWidget {
  Q_OBJECT

 public:
  explicit TResultsView(QWidget* parent = nullptr);

  // The keyword whose companies are (or are about to be) on display.
  const std::string& Keyword() const { return keyword_; }
  void SetKeyword(std::string keyword) { keyword_ = std::move(keyword); }

  // Shows a keyword's companies and their count. Rows on display that begin the list stay
  // (with the grid's position) and the rest are added; otherwise the rows are replaced.
  void ShowCompanies(const TCompanyList& companies);
  // Shows the rows of a load so far (which only grow at the end or lose a company): adds those
  // after the rows on display when these begin `rows`; does nothing otherwise. Hides the
  // loading overlay once there are rows.
  void ShowArriving(const TCompanyList& rows);
  // Adds a company saved for the keyword on display, and the new count.
  void AppendCompany(const std::shared_ptr<TComPanyInfo>& company);
  // Empties the grid; with `countToo` the record count above it as well.
  void Clear(bool countToo = false);
  void SetLoading(bool shown);
  // Hides the background picture for good.
  void HideBackground();

  const TResultGridModel& Model() const { return *gridModel; }

 signals:
  // The rows changed (the window's total follows).
  void rowsChanged();
  // The user confirmed deleting a company of the keyword on display.
  void deleteConfirmed(const std::string& keyword, const std::string& listId);

 private:
  void BuildGridMenu();
  // True when the rows on display are the first rows of `companies` (the same records).
  bool ShowsBeginningOf(const TCompanyList& companies) const;
  // Adds the companies after the rows on display and shows the count.
  void AppendFrom(const TCompanyList& companies);
  void dblistDblClick();
  void N5Click();

  std::string keyword_;
  QLabel* txtkeylist = nullptr;  // "共 N 条记录"
  QTableView* dblist = nullptr;  // the grid
  TResultGridModel* gridModel = nullptr;
  QLabel* imgbg = nullptr;         // the background picture
  QWidget* rcloading = nullptr;    // the loading overlay
  QProgressBar* anload = nullptr;  // its moving bar
  QMenu* pmkeylist = nullptr;      // the grid's menu
  QAction* N5 = nullptr;           // "删除"
};

}  // namespace vlmr
