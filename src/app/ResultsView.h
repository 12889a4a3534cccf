// The results view: the grid of the keyword on display over a model that owns its rows, the
// record count above it, the filter bar (its filter kept per keyword while the program runs;
// the grid shows the companies that match, and the count says "共 N 条记录（已筛选 M 条）" while
// a filter is on), the background picture shown until the first keyword is used, the loading
// overlay, and the grid's menu. A double click opens a company's details; the menu's
// delete asks first and then asks the window to delete.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/records/KeyUnit.h"
#include "store/ResultFilter.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTableView;
class QTimer;

namespace vlmr {

class TCompanyList;
class TResultGridModel;
class TResultFilterBar;

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

  // The shared numbers' digits (the store's, which outlives the view), for the grid's picture,
  // the filter and the detail window; nullptr when there is no store.
  void SetSharedNumbers(const TSharedNumbers* shared);
  // The filter of a keyword (none set: the empty filter), and the one on display.
  TResultFilter FilterOf(const std::string& keyword) const;
  void ApplyFilter(const TResultFilter& filter);
  // How many companies the keyword on display has, and how many the grid shows.
  std::size_t TotalRows() const { return allRows_.size(); }
  std::size_t ShownRows() const;

 signals:
  // The rows changed (the window's total follows).
  void rowsChanged();
  // The user confirmed deleting a company of the keyword on display.
  void deleteConfirmed(const std::string& keyword, const std::string& listId);

 private:
  void BuildGridMenu();
  void ShowCount();
  void RefreshRegions();
  // True when the keyword's rows so far begin `companies` (the same records); `lastOnly`
  // compares only the last of them, enough for a load's rows, which only grow at the end or
  // lose a company.
  bool RowsBegin(const TCompanyList& companies, bool lastOnly) const;
  // Takes the companies after the keyword's rows so far: the grid adds those the filter lets
  // through (with `replace`, they become its rows in one reset), the region counts follow, and
  // the count shows.
  void AppendFrom(const TCompanyList& companies, bool replace);
  void dblistDblClick();
  void N5Click();

  std::string keyword_;
  QLabel* txtkeylist = nullptr;  // "共 N 条记录"
  TResultFilterBar* filterBar_ = nullptr;
  QTimer* regionRefresh_ = nullptr;  // region counts follow new companies at most this often
  std::vector<std::shared_ptr<TComPanyInfo>> allRows_;      // the keyword's, the grid shows a part
  TRegionTally regions_;                                    // of allRows_, kept as companies arrive
  std::unordered_map<std::string, TResultFilter> filters_;  // by keyword
  const TSharedNumbers* shared_ = nullptr;
  QTableView* dblist = nullptr;  // the grid
  TResultGridModel* gridModel = nullptr;
  QLabel* imgbg = nullptr;         // the background picture
  QWidget* rcloading = nullptr;    // the loading overlay
  QProgressBar* anload = nullptr;  // its moving bar
  QMenu* pmkeylist = nullptr;      // the grid's menu
  QAction* N5 = nullptr;           // "删除"
};

}  // namespace vlmr
