#include "app/ResultsView.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/ResultFilterBar.h"
#include "app/ResultGridModel.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "store/KeyListInfo.h"
#include "windows/Cominfo.h"
#include "windows/GuiText.h"

namespace vlmr {
namespace {

QString RecordCountText(std::size_t rows) {
  return U("共 %1 条记录").arg(rows);
}

QString FilteredCountText(std::size_t rows, std::size_t shown) {
  return U("共 %1 条记录（已筛选 %2 条）").arg(rows).arg(shown);
}

const TSharedNumbers& NoSharedNumbers() {
  static const TSharedNumbers none;
  return none;
}

}  // namespace

TResultsView::TResultsView(QWidget* parent) : QWidget(parent) {
  setObjectName("resultpane");
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* head = new QWidget(this);
  head->setObjectName("resulthead");
  head->setFixedHeight(36);
  auto* headRow = new QHBoxLayout(head);
  headRow->setContentsMargins(12, 0, 12, 0);
  txtkeylist = MakeLabel("txtkeylist", QString(), head);
  headRow->addWidget(txtkeylist);
  headRow->addStretch();
  rows->addWidget(head);
  filterBar_ = new TResultFilterBar(this);
  filterBar_->hide();  // shown with the first keyword's companies
  rows->addWidget(filterBar_);
  connect(filterBar_, &TResultFilterBar::filterChanged, this,
          [this](const TResultFilter& filter) { ApplyFilter(filter); });
  regionRefresh_ = new QTimer(this);
  regionRefresh_->setSingleShot(true);
  regionRefresh_->setInterval(1000);
  connect(regionRefresh_, &QTimer::timeout, this, [this] { RefreshRegions(); });

  auto* stack = new QWidget(this);
  stack->setObjectName("gridarea");
  auto* cell = new QGridLayout(stack);
  cell->setContentsMargins(0, 0, 0, 0);
  dblist = new QTableView(stack);
  dblist->setObjectName("dblist");
  gridModel = new TResultGridModel(dblist);
  gridModel->setObjectName("gridModel");
  gridModel->SetMarks(PromotedMark(), CertifiedMark(), PlainMark());
  dblist->setModel(gridModel);
  dblist->setItemDelegate(new TResultGridDelegate(dblist));
  dblist->setAlternatingRowColors(true);
  dblist->setShowGrid(false);
  dblist->setFocusPolicy(Qt::NoFocus);
  dblist->setSelectionBehavior(QAbstractItemView::SelectRows);
  dblist->setSelectionMode(QAbstractItemView::SingleSelection);
  dblist->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dblist->setWordWrap(false);
  dblist->setTextElideMode(Qt::ElideRight);
  dblist->setContextMenuPolicy(Qt::CustomContextMenu);
  dblist->verticalHeader()->hide();
  dblist->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  dblist->verticalHeader()->setDefaultSectionSize(24);
  dblist->horizontalHeader()->setHighlightSections(false);
  dblist->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int c = 0; c < TResultGridModel::kColumns; ++c) {
    dblist->setColumnWidth(c, TResultGridModel::ColumnWidth(static_cast<TResultColumn>(c)));
  }
  dblist->horizontalHeader()->setStretchLastSection(true);
  connect(dblist, &QTableView::doubleClicked, this, [this] { dblistDblClick(); });
  connect(dblist, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = dblist->indexAt(at);
    if (index.isValid()) {
      dblist->selectRow(index.row());
    }
    pmkeylist->popup(dblist->viewport()->mapToGlobal(at));
  });
  BuildGridMenu();

  imgbg = MakeLabel("imgbg", QString(), stack);
  imgbg->setAlignment(Qt::AlignCenter);
  imgbg->setPixmap(BackgroundPicture(760, 460));

  rcloading = new QWidget(stack);
  rcloading->setObjectName("rcloading");
  rcloading->setAttribute(Qt::WA_StyledBackground, true);
  auto* loadRows = new QVBoxLayout(rcloading);
  loadRows->addStretch();
  anload = new QProgressBar(rcloading);
  anload->setObjectName("anload");
  anload->setRange(0, 1);  // running: range 0..0, which Qt draws as a moving bar
  anload->setTextVisible(false);
  anload->setFixedSize(160, 6);
  auto* loadText = MakeLabel("lblloading", U("正在加载数据，请稍后..."), rcloading);
  loadText->setAlignment(Qt::AlignCenter);
  loadRows->addWidget(anload, 0, Qt::AlignHCenter);
  loadRows->addWidget(loadText, 0, Qt::AlignHCenter);
  loadRows->addStretch();
  rcloading->hide();

  cell->addWidget(dblist, 0, 0);
  cell->addWidget(imgbg, 0, 0);
  cell->addWidget(rcloading, 0, 0);
  rows->addWidget(stack, 1);
}

void TResultsView::BuildGridMenu() {
  pmkeylist = new QMenu(this);
  pmkeylist->setObjectName("pmkeylist");
  N5 = pmkeylist->addAction(U("删除"));
  N5->setObjectName("N5");
  connect(N5, &QAction::triggered, this, [this] { N5Click(); });
}

void TResultsView::SetSharedNumbers(const TSharedNumbers* shared) {
  shared_ = shared;
  gridModel->SetSharedMark(SharedMark(), shared);
}

TResultFilter TResultsView::FilterOf(const std::string& keyword) const {
  auto found = filters_.find(keyword);
  return found == filters_.end() ? TResultFilter() : found->second;
}

std::size_t TResultsView::ShownRows() const {
  return static_cast<std::size_t>(gridModel->RowCount());
}

void TResultsView::ShowCount() {
  const TResultFilter filter = FilterOf(keyword_);
  txtkeylist->setText(filter.Active() ? FilteredCountText(TotalRows(), ShownRows())
                                      : RecordCountText(TotalRows()));
}

void TResultsView::RefreshRegions() {
  filterBar_->SetRegions(regions_.Counts());
}

void TResultsView::ApplyFilter(const TResultFilter& filter) {
  if (filter.Active()) {
    filters_[keyword_] = filter;
  } else {
    filters_.erase(keyword_);
  }
  dblist->setUpdatesEnabled(false);
  gridModel->SetRows(FilterCompanies(allRows_, filter, shared_ ? *shared_ : NoSharedNumbers()));
  dblist->setUpdatesEnabled(true);
  emit rowsChanged();
  ShowCount();
}

void TResultsView::ShowCompanies(const TCompanyList& companies) {
  HideBackground();
  if (!allRows_.empty() && RowsBegin(companies, false)) {
    AppendFrom(companies, false);
    return;
  }
  allRows_.clear();
  AppendFrom(companies, true);
}

void TResultsView::ShowArriving(const TCompanyList& rows) {
  if (rows.empty() || !RowsBegin(rows, true)) {
    return;
  }
  HideBackground();
  SetLoading(false);
  AppendFrom(rows, false);
}

bool TResultsView::RowsBegin(const TCompanyList& companies, bool lastOnly) const {
  const std::size_t held = allRows_.size();
  if (held > companies.size()) {
    return false;
  }
  for (std::size_t i = lastOnly && held > 0 ? held - 1 : 0; i < held; ++i) {
    if (allRows_[i] != companies[i]) {
      return false;
    }
  }
  return true;
}

void TResultsView::AppendFrom(const TCompanyList& companies, bool replace) {
  const TResultFilter filter = FilterOf(keyword_);
  if (allRows_.empty()) {
    // A keyword's first rows: its own filter, and the grid starts over.
    filterBar_->show();
    filterBar_->SetFilter(filter);
    regions_ = {};
    regionRefresh_->stop();
    if (gridModel->RowCount() > 0 && !replace) {
      gridModel->Clear();
    }
  }
  const std::size_t held = allRows_.size();
  if (replace && held >= companies.size()) {
    gridModel->Clear();
  }
  if (held < companies.size()) {
    const TSharedNumbers& shared = shared_ ? *shared_ : NoSharedNumbers();
    std::vector<TResultGridModel::TRow> shown;
    shown.reserve(filter.Active() ? 0 : companies.size() - held);
    allRows_.reserve(companies.size());
    for (auto it = companies.begin() + static_cast<std::ptrdiff_t>(held); it != companies.end();
         ++it) {
      allRows_.push_back(*it);
      regions_.Add((*it)->region);
      if (!filter.Active() || Matches(filter, **it, shared)) {
        shown.push_back(*it);
      }
    }
    if (replace) {
      dblist->setUpdatesEnabled(false);
      gridModel->SetRows(std::move(shown));
      dblist->setUpdatesEnabled(true);
    } else {
      gridModel->AppendRows(std::move(shown));
    }
    if (held == 0) {
      RefreshRegions();
    } else if (!regionRefresh_->isActive()) {
      regionRefresh_->start();
    }
  }
  emit rowsChanged();
  ShowCount();
}

void TResultsView::AppendCompany(const std::shared_ptr<TComPanyInfo>& company) {
  const TResultFilter filter = FilterOf(keyword_);
  if (!company) {
    gridModel->AppendRow(company);  // an empty row, as the model shows one
  } else {
    allRows_.push_back(company);
    regions_.Add(company->region);
    if (Matches(filter, *company, shared_ ? *shared_ : NoSharedNumbers())) {
      gridModel->AppendRow(company);
    }
  }
  if (!regionRefresh_->isActive()) {
    regionRefresh_->start();
  }
  emit rowsChanged();
  ShowCount();
}

void TResultsView::Clear(bool countToo) {
  gridModel->Clear();
  allRows_.clear();
  regions_ = {};
  regionRefresh_->stop();
  if (countToo) {
    txtkeylist->clear();
  }
}

void TResultsView::SetLoading(bool shown) {
  rcloading->setVisible(shown);
  if (shown) {
    rcloading->raise();
    anload->setRange(0, 0);
  } else {
    anload->setRange(0, 1);
  }
}

void TResultsView::HideBackground() {
  imgbg->hide();  // never shown again
}

void TResultsView::dblistDblClick() {
  if (const auto& record = gridModel->CompanyAt(dblist->currentIndex().row())) {
    ShowCompanyDetails(*record, this, shared_);
  }
}

void TResultsView::N5Click() {
  // A copy: the rows may change while the question is open.
  const std::shared_ptr<TComPanyInfo> company = gridModel->CompanyAt(dblist->currentIndex().row());
  if (!company) {
    return;
  }
  const std::string question = Utf8ToGbk("确定要删除 [") + company->GetComName() + Utf8ToGbk("]？");
  if (ShowMessageBox(question, MessageCaption(), MB_KIND_QUESTION) == MB_RESULT_CANCEL) {
    return;
  }
  if (!company->listId.empty()) {
    emit deleteConfirmed(keyword_, company->listId);
  }
}

}  // namespace vlmr
