// The main window between its panels, the store and the task board: the panels' requests, the
// store's and the board's events, the workers' reports, and the texts around the panels (tip
// box, status line, total).
#include <QLabel>

#include "app/KeywordPanel.h"
#include "app/MainWindow.h"
#include "app/ResultsView.h"
#include "app/Widgets.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "store/KeyListInfo.h"
#include "tasks/TaskBoard.h"
#include "windows/GuiText.h"
#include "windows/Selfiled.h"

namespace vlmr {
namespace {

const char* const kTipTitle = "温馨提示";
const char* const kTipText = "关键词可以是地区+产品，比如：广州 电子公司 或 上海 网络公司";

}  // namespace

std::string Tfmjssml::UpdateLine(const std::string& keyword) const {
  const TKeyData* record = keyStore_ ? keyStore_->FindKeyword(keyword) : nullptr;
  return record ? Utf8ToGbk("最后更新：") + FormatStoredTime(record->AddDate) : std::string();
}

QString Tfmjssml::RestingTip() {
  return U(kTipText);
}

void Tfmjssml::ShowTip(const QString& title, const QString& text) {
  txttiptitle->setText(title);
  txttip->setText(text);
}

void Tfmjssml::ShowTotalCount() {
  const long long total = keyStore_ ? static_cast<long long>(keyStore_->TotalCompanyCount()) : 0;
  txtrel->setText(U("当前已采集记录：") + QString::number(total) + U("条"));
}

// --- The keyword panel's requests ----------------------------------------------------------

void Tfmjssml::AddKeyword(const std::string& keyword) {
  results_->HideBackground();
  TKeyData* record = keyStore_ ? keyStore_->AddKeyword(keyword) : nullptr;
  if (!record) {
    Tell("任务添加失败！");
    return;
  }
  // The stored text: a keyword equal but for letter case is the existing one.
  const std::string stored = record->Keyword;
  if (Ask("任务已添加成功：\r\n      点[确定]按钮立即搜索 \r\n      点[取消]继续添加任务") !=
      MB_RESULT_CANCEL) {
    StartTask(stored);
  }
}

void Tfmjssml::StartTask(const std::string& keyword) {
  if (board_) {
    TellStartResult(board_->Start(keyword));
  }
}

void Tfmjssml::TellStartResult(TStartResult result) {
  if (result == TStartResult::NoEngine) {
    // A task without an engine would never end and could never be stopped.
    Tell("请至少选择一个信息来源！");
  }
}

void Tfmjssml::DeleteKeyword(const std::string& keyword) {
  if (board_) {
    board_->Stop(keyword, true);
  }
  if (keyStore_) {
    keyStore_->DeleteKeyword(keyword);
  }
  keyPanel_->RemoveKeyword(keyword);
}

void Tfmjssml::SelectKeyword(const std::string& keyword) {
  if (!keyStore_) {
    return;
  }
  results_->Clear();
  results_->HideBackground();
  results_->SetLoading(true);
  results_->SetKeyword(keyword);
  keyStore_->LoadCompanies(keyword);
  if (TKeyData* record = keyStore_->FindKeyword(keyword)) {
    txtstat->setText(U("当前已选择[") + FromGbk(keyword) + U("]"));
    if (board_ && board_->HasTask(keyword)) {
      ShowTip(U("正在搜索"),
              record->StatusText.empty() ? U("正在搜索中...") : FromGbk(record->StatusText));
    } else {
      ShowTip(U(kTipTitle), RestingTip());
    }
  }
}

void Tfmjssml::ClearHistory() {
  // Tasks of keywords that no longer exist would page the engines for nothing.
  const bool stoppedTasks = board_ && board_->AnyRunning();
  if (board_) {
    board_->StopAll();
  }
  if (keyStore_) {
    keyStore_->DeleteAllKeywords();
  }
  keyPanel_->ClearKeywords();
  results_->Clear(true);
  results_->SetKeyword({});
  ShowTotalCount();
  if (stoppedTasks) {
    // The last progress texts belonged to the tasks just stopped.
    ShowTip(U(kTipTitle), U("历史记录已清空，正在运行的任务已全部停止。"));
    txtstat->setText(U("任务已全部停止"));
  }
}

void Tfmjssml::ExportCommand(const std::string& keyword) {
  const std::string stored = Trim(keyword);
  if (!keyStore_ || !keyStore_->FindKeyword(stored)) {
    // Text that is not a stored keyword starts no load: nothing would ever end the wait.
    Tell("请先在左侧选择一个关键词！");
    return;
  }
  if (keyStore_->RequestKeyword(stored, TPendingAction::Export)) {
    const std::string& word = keyStore_->FindKeyword(stored)->Keyword;
    OpenExportDialog(*keyStore_, word, this, results_->FilterOf(word));
  } else {
    results_->SetLoading(true);  // the load's end runs this command again
  }
}

void Tfmjssml::DeleteCompany(const std::string& keyword, const std::string& listId) {
  if (!keyStore_) {
    return;
  }
  keyStore_->DeleteCompany(keyword, listId);
  RefreshItemCount(keyword);
  ShowTotalCount();
  keyStore_->LoadCompanies(keyword);
}

// --- The store's and the board's events ---------------------------------------------------

void Tfmjssml::HandleKeywordAdded(const std::string& keyword) {
  results_->Clear();
  const TKeyData* record = keyStore_ ? keyStore_->FindKeyword(keyword) : nullptr;
  keyPanel_->AddKeyword(keyword, record ? record->ListCount : 0, UpdateLine(keyword));
  ShowTotalCount();
}

void Tfmjssml::HandleCompaniesLoaded(const std::string& keyword) {
  if (!keyStore_ || !board_) {
    return;
  }
  const TCompanyList* companies = keyStore_->CompanyListOf(keyword);
  if (!companies) {
    return;
  }
  results_->SetLoading(false);
  const TTaskBoard::TLoadOutcome outcome = board_->CompaniesLoaded(keyword);
  switch (outcome.action) {
    case TPendingAction::Show:
    case TPendingAction::Start:
      results_->SetKeyword(keyword);
      results_->ShowCompanies(*companies);
      if (outcome.action == TPendingAction::Start) {
        TellStartResult(outcome.start);
      }
      break;
    case TPendingAction::Export:
      ExportCommand(keyword);
      break;
    case TPendingAction::Stop:
      break;
  }
}

void Tfmjssml::HandleCompaniesArriving(const std::string& keyword, const TCompanyList& rows) {
  // The first rows show while the rest load; the load's end completes them.
  if (keyword == results_->Keyword()) {
    results_->ShowArriving(rows);
  }
}

void Tfmjssml::HandleCompanySaved(const std::string& keyword,
                                  const std::shared_ptr<TComPanyInfo>& company) {
  RefreshItemCount(keyword);
  // The total follows the rows added to the grid. While the keyword loads, the company joins
  // its rows with the load's end.
  const TKeyData* record = keyStore_ ? keyStore_->FindKeyword(keyword) : nullptr;
  if (keyword == results_->Keyword() && !(record && record->LoadRunning())) {
    results_->AppendCompany(company);
  }
}

void Tfmjssml::HandleTaskState(const std::string& keyword, TTaskState state) {
  keyPanel_->ShowItemState(keyword, state, UpdateLine(keyword));
}

void Tfmjssml::RefreshItemCount(const std::string& keyword) {
  const TKeyData* record = keyStore_ ? keyStore_->FindKeyword(keyword) : nullptr;
  if (record) {
    keyPanel_->SetItemCount(keyword, record->ListCount, UpdateLine(keyword));
  }
}

// --- Worker reports ----------------------------------------------------------------------

void Tfmjssml::HandleCollectReport(const TCollectReport& report) {
  // A progress text goes to the tip box when its keyword is on display, else it is kept for
  // when it is selected.
  auto progress = [this](const std::string& keyword, const std::string& text) {
    if (keyword == results_->Keyword()) {
      txttip->setText(FromGbk(text));
    } else if (keyStore_) {
      keyStore_->SetStatusText(keyword, text);
    }
  };
  try {
    if (const auto* found = std::get_if<TCompanyReport>(&report.Body())) {
      const TComPanyInfo& company = *found->company;
      progress(company.keyword,
               Utf8ToGbk("获取[") + company.GetComName() + Utf8ToGbk("]获取成功！"));
      if (keyStore_) {
        // A company that could not be written is not shown as kept; the status line says why.
        if (const TStoreResult saved = keyStore_->SaveCompany(company.keyword, company); !saved) {
          txtstat->setText(U("保存失败：") + QString::fromStdString(saved.error));
        }
      }
    } else if (const auto* step = std::get_if<TProgressReport>(&report.Body())) {
      progress(step->progress->keyword, step->progress->message);
    } else if (const auto* page = std::get_if<TPageReport>(&report.Body())) {
      if (board_) {
        board_->PageReported(page->progress->keyword, page->progress->page,
                             EngineIndexOfSource(page->progress->source));
      }
    } else if (const auto* status = std::get_if<TStatusReport>(&report.Body())) {
      // A crawler of a keyword that is gone (the history was cleared) has nothing to say.
      if (keyStore_ && keyStore_->FindKeyword(*status->keyword)) {
        txtstat->setText(FromGbk(*status->text));
      }
    }
  } catch (...) {
    // A report that cannot be handled is dropped; the next one is handled as usual.
  }
}

}  // namespace vlmr
