#include "cli/CollectRun.h"

#include <chrono>

#include "base/Text.h"
#include "base/Thread.h"
#include "engine/VerifyPage.h"
#include "engine/records/CollectReport.h"
#include "store/KeyListInfo.h"

namespace vlmr {
namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The engine whose verification text a progress message is, if it is one.
bool VerificationEngine(const std::string& message, TEngineIndex& engine) {
  for (TEngineIndex e : {ENGINE_BAIDU, ENGINE_SOGOU, ENGINE_360}) {
    if (message == VerificationText(e)) {
      engine = e;
      return true;
    }
  }
  return false;
}

std::string StateText(TTaskEnd end) {
  switch (end) {
    case TTaskEnd::Idle:
      return "已结束（空闲）";
    case TTaskEnd::Time:
      return "已结束（到时）";
    case TTaskEnd::Interrupted:
      return "已停止";
    case TTaskEnd::Engines:
      return "已结束（引擎失败）";
    case TTaskEnd::Failed:
      return "启动失败";
  }
  return {};
}

}  // namespace

TCollectRun::TCollectRun(TKeyListInfo& store, TQueueDispatcher& ui, TCollectOutput& output,
                         TSettings settings, TStopRequest stop)
    : store_(store),
      ui_(ui),
      output_(output),
      settings_(std::move(settings)),
      stop_(std::move(stop)) {
  reports_ = TMessageTarget::Create(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; },
      [this](std::uint32_t msg, const TMessagePayload& payload) {
        if (const TCollectReport* report = AsCollectReport(msg, payload)) {
          HandleReport(*report);
        }
      });
}

TCollectRun::~TCollectRun() {
  reports_->Close();
  if (board_) {
    board_->Close();
  }
  store_.OnCompaniesLoaded = nullptr;
  store_.OnCompanySaved = nullptr;
}

TCollectRun::TTask* TCollectRun::Find(const std::string& keyword) {
  const TKeyData* record = store_.FindKeyword(keyword);
  const std::string& stored = record ? record->Keyword : keyword;
  for (TTask& task : tasks_) {
    if (task.keyword == stored) {
      return &task;
    }
  }
  return nullptr;
}

bool TCollectRun::AddKeywords() {
  for (const std::string& keyword : settings_.keywords) {
    const TKeyData* record = store_.AddKeyword(keyword);
    if (!record) {
      errors_.push_back("无法添加关键词[" + GbkToUtf8(keyword) + "]：数据库写入失败");
      return false;
    }
    // The same keyword in another letter case is the stored one, and one task.
    if (!Find(record->Keyword)) {
      TTask task{record->Keyword};
      for (TEngineIndex e : {ENGINE_BAIDU, ENGINE_SOGOU, ENGINE_360}) {
        task.pages[e] = record->LastPageOf(e);
      }
      tasks_.push_back(task);
    }
  }
  return true;
}

int TCollectRun::Run() {
  startMs_ = NowMs();
  if (!AddKeywords()) {
    return 1;
  }
  board_ = std::make_unique<TTaskBoard>(store_, reports_,
                                        [engines = settings_.engines] { return engines; });
  board_->OnStateChanged = [this](const std::string& keyword, TTaskState state) {
    HandleState(keyword, state);
  };
  store_.OnCompaniesLoaded = [this](TKeyListInfo&, const std::string& keyword) {
    HandleLoaded(keyword);
  };
  store_.OnCompanySaved = [this](TKeyListInfo&, const std::string& keyword,
                                 const std::shared_ptr<TComPanyInfo>& company) {
    TTask* task = Find(keyword);
    if (!task) {
      return;
    }
    ++task->stored;
    TCollectEvent event;
    event.kind = TCollectEvent::TKind::Company;
    event.keyword = task->keyword;
    event.company = company.get();
    output_.Event(event);
  };
  for (std::size_t i = 0; i < tasks_.size(); ++i) {
    Begin(tasks_[i], board_->Start(tasks_[i].keyword));
  }

  TTaskEnd end = TTaskEnd::Idle;
  while (true) {
    const bool timeUp = settings_.limitMs > 0 && ElapsedMs() >= settings_.limitMs;
    if (stop_()) {
      end = TTaskEnd::Interrupted;
      break;
    }
    if (timeUp) {
      end = TTaskEnd::Time;
      break;
    }
    if (AllEnded()) {
      break;
    }
    ui_.ProcessUntil([this] { return AllEnded() || stop_() != 0; }, 100);
    NoteEnds();
    output_.Status(Status(), false);
  }
  EndInOrder(end);
  if (const int signal = stop_()) {
    return 128 + signal;
  }
  for (const TTask& task : tasks_) {
    if (task.end == TTaskEnd::Engines || task.end == TTaskEnd::Failed) {
      return 1;
    }
  }
  return 0;
}

void TCollectRun::Begin(TTask& task, TStartResult result) {
  switch (result) {
    case TStartResult::Started:
    case TStartResult::Resumed:
      task.phase = TPhase::Running;
      break;
    case TStartResult::Loading:
      break;  // the load's end starts it
    case TStartResult::NoEngine:
    case TStartResult::Unknown:
    case TStartResult::Failed:
      errors_.push_back("关键词[" + GbkToUtf8(task.keyword) + "]的采集无法启动");
      End(task, TTaskEnd::Failed);
      break;
  }
}

void TCollectRun::HandleLoaded(const std::string& keyword) {
  if (!board_ || !store_.CompanyListOf(keyword)) {
    return;
  }
  const TTaskBoard::TLoadOutcome outcome = board_->CompaniesLoaded(keyword);
  TTask* task = Find(keyword);
  if (task && task->phase == TPhase::Waiting && outcome.action == TPendingAction::Start) {
    Begin(*task, outcome.start);
  }
}

void TCollectRun::HandleState(const std::string& keyword, TTaskState state) {
  TTask* task = Find(keyword);
  if (!task || task->phase == TPhase::Ended) {
    return;
  }
  // An end is noted once the report that caused it has been handled (NoteEnds): a refused
  // page announces the stop before the board's answer says why.
  if (state == TTaskState::Running) {
    task->phase = TPhase::Running;
  }
}

void TCollectRun::HandleReport(const TCollectReport& report) {
  try {
    if (const auto* found = std::get_if<TCompanyReport>(&report.Body())) {
      store_.SaveCompany(found->company->keyword, *found->company);
    } else if (const auto* step = std::get_if<TProgressReport>(&report.Body())) {
      TEngineIndex engine = ENGINE_BAIDU;
      TTask* task = Find(step->progress->keyword);
      if (task && VerificationEngine(step->progress->message, engine)) {
        TCollectEvent event;
        event.kind = TCollectEvent::TKind::Verification;
        event.keyword = task->keyword;
        event.engine = engine;
        output_.Event(event);
      }
    } else if (const auto* page = std::get_if<TPageReport>(&report.Body())) {
      const TCaiJiInfo& progress = *page->progress;
      const TEngineIndex engine = EngineIndexOfSource(progress.source);
      TTask* task = Find(progress.keyword);
      if (!board_ || !task) {
        return;
      }
      if (!board_->PageReported(progress.keyword, progress.page, engine)) {
        task->refused = true;
        NoteEnds();
        return;
      }
      task->pages[engine] = progress.page;
      TCollectEvent event;
      event.kind = TCollectEvent::TKind::Page;
      event.keyword = task->keyword;
      event.engine = engine;
      event.page = progress.page;
      output_.Event(event);
    } else if (const auto* status = std::get_if<TStatusReport>(&report.Body())) {
      site_ = GbkToUtf8(*status->text);
    }
  } catch (...) {
    // A report that cannot be handled is dropped; the next one is handled as usual.
  }
}

void TCollectRun::NoteEnds() {
  if (!board_ || stopping_) {
    return;
  }
  for (TTask& task : tasks_) {
    if (task.phase == TPhase::Running && !board_->IsRunning(task.keyword)) {
      End(task, task.refused ? TTaskEnd::Idle : TTaskEnd::Engines);
      if (task.end == TTaskEnd::Engines) {
        errors_.push_back("关键词[" + GbkToUtf8(task.keyword) +
                          "]：搜索引擎的结果页请求失败，任务已结束");
      }
    }
  }
}

void TCollectRun::End(TTask& task, TTaskEnd end) {
  task.phase = TPhase::Ended;
  task.end = end;
  const TKeyData* record = store_.FindKeyword(task.keyword);
  TCollectEvent event;
  event.kind = TCollectEvent::TKind::Ended;
  event.keyword = task.keyword;
  event.end = end;
  event.companies = record ? record->ListCount : 0;
  output_.Event(event);
}

bool TCollectRun::AllEnded() const {
  for (const TTask& task : tasks_) {
    if (task.phase != TPhase::Ended) {
      return false;
    }
  }
  return true;
}

void TCollectRun::EndInOrder(TTaskEnd end) {
  stopping_ = true;
  output_.Status(Status(), true);
  if (board_) {
    board_->StopAll();
  }
  // The collectors' ends store the pages they reached; workers may be blocked sending a
  // report, so the loop keeps running while they end.
  TWorkerRegistry::WaitUntilEmpty(settings_.drainMs, [this] { ui_.ProcessEvents(); });
  for (TTask& task : tasks_) {
    if (task.phase != TPhase::Ended) {
      End(task, end);
    }
  }
  output_.Status(Status(), true);
}

std::int64_t TCollectRun::ElapsedMs() const {
  return NowMs() - startMs_;
}

TRunStatus TCollectRun::Status() const {
  TRunStatus status;
  status.elapsedMs = ElapsedMs();
  status.site = site_;
  status.stopping = stopping_ && !AllEnded();
  for (const TTask& task : tasks_) {
    TKeywordStatus k;
    k.keyword = GbkToUtf8(task.keyword);
    switch (task.phase) {
      case TPhase::Waiting:
        k.state = "载入中";
        break;
      case TPhase::Running:
        k.state = stopping_ ? "正在停止" : "采集中";
        break;
      case TPhase::Ended:
        k.state = StateText(task.end);
        break;
    }
    k.stored = task.stored;
    const TKeyData* record = store_.FindKeyword(task.keyword);
    k.total = record ? record->ListCount : 0;
    for (int e = 0; e < 3; ++e) {
      k.pages[e] = task.pages[e];
    }
    status.keywords.push_back(k);
  }
  return status;
}

}  // namespace vlmr
