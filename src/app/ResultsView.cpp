// The results view of the main window: the virtual results grid of the keyword on display,
// the worker reports, the loading overlay and the display texts around the grid.
#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/ResultGridModel.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "store/KeyListInfo.h"
#include "windows/Cominfo.h"
#include "windows/GuiText.h"

namespace vlmr {
namespace {

QString RecordCountText(int rows) {
  return U("共 %1 条记录").arg(rows);
}

// A list's text form (every entry followed by CR LF) with each LF made one blank.
std::string OneLine(const TUniqueStringList& list) {
  return ReplaceAll(list.TextForm(), "\n", " ");
}

}  // namespace

QWidget* Tfmjssml::BuildResultArea() {
  auto* pane = new QWidget(this);
  pane->setObjectName("resultpane");
  auto* rows = new QVBoxLayout(pane);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* head = new QWidget(pane);
  head->setObjectName("resulthead");
  head->setFixedHeight(36);
  auto* headRow = new QHBoxLayout(head);
  headRow->setContentsMargins(12, 0, 12, 0);
  txtkeylist = MakeLabel("txtkeylist", QString(), head);
  headRow->addWidget(txtkeylist);
  headRow->addStretch();
  rows->addWidget(head);

  auto* stack = new QWidget(pane);
  stack->setObjectName("gridarea");
  auto* cell = new QGridLayout(stack);
  cell->setContentsMargins(0, 0, 0, 0);
  dblist = new QTableView(stack);
  dblist->setObjectName("dblist");
  gridModel = new TResultGridModel(dblist);
  gridModel->SetCellSource(
      [this](int column, int row, int role) { return dblistGetValue(column, row, role); });
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
    dblist->setColumnWidth(c, TResultGridModel::ColumnWidth(c));
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
  return pane;
}

QWidget* Tfmjssml::BuildBottomBand() {
  auto* band = new QWidget(this);
  band->setObjectName("bottomband");
  band->setFixedHeight(32);
  auto* row = new QHBoxLayout(band);
  row->setContentsMargins(10, 0, 10, 0);
  row->setSpacing(0);
  txtrel = MakeLabel("txtrel", QString(), band);
  txtrel->setFixedWidth(245);
  txtstat = MakeLabel("txtstat", QString(), band);
  txtstat->setWordWrap(false);
  txtstat->setTextFormat(Qt::PlainText);
  txtstat->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(txtrel);
  row->addWidget(txtstat, 1);
  return band;
}

void Tfmjssml::BuildGridMenu() {
  pmkeylist = new QMenu(this);
  pmkeylist->setObjectName("pmkeylist");
  N5 = pmkeylist->addAction(U("删除"));
  N5->setObjectName("N5");
  connect(N5, &QAction::triggered, this, [this] { N5Click(); });
}

// --- Worker reports ----------------------------------------------------------------------

void Tfmjssml::HandleCollectReport(std::uintptr_t kind, std::intptr_t lParam) {
  if (lParam == 0) {
    return;
  }
  try {
    switch (kind) {
      case REPORT_COMPANY: {
        const auto& company = *reinterpret_cast<const TComPanyInfo*>(lParam);
        const std::string text =
            Utf8ToGbk("获取[") + company.GetComName() + Utf8ToGbk("]获取成功！");
        if (company.keyword == currentKeyword) {
          txttip->setText(FromGbk(text));
        } else if (keyStore) {
          keyStore->SetStatusText(company.keyword, text);
        }
        if (keyStore) {
          keyStore->SaveCompany(company.keyword, company);
        }
        break;
      }
      case REPORT_PROGRESS: {
        const auto& progress = *reinterpret_cast<const TCaiJiInfo*>(lParam);
        if (progress.keyword == currentKeyword) {
          txttip->setText(FromGbk(progress.message));
        } else if (keyStore) {
          keyStore->SetStatusText(progress.keyword, progress.message);
        }
        break;
      }
      case REPORT_PAGE: {
        const auto& progress = *reinterpret_cast<const TCaiJiInfo*>(lParam);
        if (keyStore && !keyStore->RecordPageReport(progress.keyword, progress.page,
                                                    EngineIndexOfSource(progress.source))) {
          // Pages that bring nothing new (or a keyword that is gone): the task ends.
          StopTask(progress.keyword, true);
        }
        break;
      }
      case REPORT_STATUS:
        txtstat->setText(FromGbk(*reinterpret_cast<const std::string*>(lParam)));
        break;
      default:
        break;
    }
  } catch (...) {
    // A report that cannot be handled is dropped; the next one is handled as usual.
  }
}

void Tfmjssml::HandleCompanySaved(const std::string& keyword,
                                  const std::shared_ptr<TComPanyInfo>& company) {
  RefreshItemCount(keyword);
  if (keyword != currentKeyword) {
    return;
  }
  AddResultRow(company, false);
  txtkeylist->setText(RecordCountText(gridModel->RowCount()));
}

// --- Grid ----------------------------------------------------------------------------------

void Tfmjssml::AddResultRow(const std::shared_ptr<TComPanyInfo>& record, bool bulk) {
  // During a fill the grid's count is set once at the end; the map knows every row.
  rowCompanies[std::to_string(rowCompanies.size() + 1)] = record;
  if (!bulk) {
    gridModel->AppendRow();
    ShowTotalCount();
  }
}

void Tfmjssml::FillResultGrid(const TCompanyList& companies) {
  rowCompanies.clear();
  rowCompanies.reserve(companies.size());
  HideBackground();
  dblist->setUpdatesEnabled(false);
  for (const auto& company : companies) {
    AddResultRow(company, true);
  }
  gridModel->SetRowCount(static_cast<int>(rowCompanies.size()));
  dblist->setUpdatesEnabled(true);
  ShowTotalCount();
  txtkeylist->setText(RecordCountText(gridModel->RowCount()));
}

void Tfmjssml::ClearResultGrid() {
  rowCompanies.clear();
  gridModel->SetRowCount(0);
}

QVariant Tfmjssml::dblistGetValue(int column, int row, int role) const {
  // The view asks every cell for many roles each time it draws; only these have values.
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole) {
    return {};
  }
  auto it = rowCompanies.find(std::to_string(row + 1));
  if (it == rowCompanies.end() || !it->second) {
    return {};
  }
  const TComPanyInfo& company = *it->second;
  if (column == 0) {
    if (role == Qt::DecorationRole) {
      return company.isPay == 1 ? imgvip : company.renZheng == 1 ? imgvvip : imgnvip;
    }
    if (role == Qt::ToolTipRole) {
      return U("带图标的为推广用户");
    }
    return {};
  }
  if (role != Qt::DisplayRole) {
    return {};
  }
  switch (column) {
    case 1: {
      std::string name = Trim(company.GetComName());
      if (name.size() > 34) {
        name = Trim(ShortenText(name, 34));
      }
      return FromGbk(name);
    }
    case 2:
      return FromGbk(ShortenText(OneLine(company.mobiles), 26));
    case 3:
      return FromGbk(OneLine(company.qqs));
    case 4:
      return FromGbk(OneLine(company.emails));
    case 5:
      return FromGbk(Trim(company.source));
    default:
      return {};
  }
}

void Tfmjssml::SetLoading(bool shown) {
  rcloading->setVisible(shown);
  if (shown) {
    rcloading->raise();
    anload->setRange(0, 0);
  } else {
    anload->setRange(0, 1);
  }
}

void Tfmjssml::HideBackground() {
  imgbg->hide();  // never shown again
}

void Tfmjssml::ShowTotalCount() {
  const long long total = keyStore ? static_cast<long long>(keyStore->TotalCompanyCount()) : 0;
  txtrel->setText(U("当前已采集记录：") + QString::number(total) + U("条"));
}

void Tfmjssml::dblistDblClick() {
  const int row = dblist->currentIndex().row();
  if (row < 0) {
    return;
  }
  auto it = rowCompanies.find(std::to_string(row + 1));
  if (it != rowCompanies.end() && it->second) {
    OpenCompanyDetail(it->second);
  }
}

void Tfmjssml::OpenCompanyDetail(const std::shared_ptr<TComPanyInfo>& record) {
  if (record) {
    ShowCompanyDetails(*record, this);
  }
}

void Tfmjssml::N5Click() {
  const int row = dblist->currentIndex().row();
  if (row < 0) {
    return;
  }
  auto it = rowCompanies.find(std::to_string(row + 1));
  if (it == rowCompanies.end() || !it->second) {
    return;
  }
  const std::shared_ptr<TComPanyInfo> company = it->second;
  const std::string question = Utf8ToGbk("确定要删除 [") + company->GetComName() + Utf8ToGbk("]？");
  if (ShowMessageBox(question, MessageCaption(), MB_KIND_QUESTION) == MB_RESULT_CANCEL) {
    return;
  }
  if (company->listId.empty() || !keyStore) {
    return;
  }
  const std::string keyword = currentKeyword;
  keyStore->DeleteCompany(keyword, company->listId);
  RefreshItemCount(keyword);
  keyStore->LoadCompanies(keyword);
}

}  // namespace vlmr
