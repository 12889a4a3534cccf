#include "tasks/TaskBoard.h"

#include "engine/TaskCtl.h"

namespace vlmr {

TTaskBoard::TTaskBoard(TKeyListInfo& store, TWindowHandle reports, TEngineSource engines)
    : store_(store), reports_(std::move(reports)), engines_(std::move(engines)) {}

TTaskBoard::~TTaskBoard() {
  Close();
}

std::shared_ptr<TTaskCtl> TTaskBoard::TaskOf(const std::string& keyword) const {
  const TKeyData* record = store_.FindKeyword(keyword);
  auto found = tasks_.find(record ? record->Keyword : keyword);
  return found == tasks_.end() ? nullptr : found->second;
}

bool TTaskBoard::HasTask(const std::string& keyword) const {
  return TaskOf(keyword) != nullptr;
}

bool TTaskBoard::IsRunning(const std::string& keyword) const {
  auto task = TaskOf(keyword);
  return task && task->IsRunning();
}

bool TTaskBoard::AnyRunning() const {
  for (const auto& entry : tasks_) {
    if (entry.second->IsRunning()) {
      return true;
    }
  }
  return false;
}

void TTaskBoard::Announce(const std::string& keyword, TTaskState state) {
  if (!closed_ && OnStateChanged) {
    auto handler = OnStateChanged;
    handler(keyword, state);
  }
}

TStartResult TTaskBoard::Start(const std::string& keyword) {
  if (closed_) {
    return TStartResult::Failed;
  }
  const TKeyData* known = store_.FindKeyword(keyword);
  if (!known) {
    return TStartResult::Unknown;
  }
  const TEngineChoice engines = engines_ ? engines_() : TEngineChoice{};
  std::shared_ptr<TTaskCtl> task = TaskOf(keyword);
  const bool resumes = task && task->IsRunning();
  if (!resumes && !engines.Any()) {
    return TStartResult::NoEngine;
  }
  TKeyData* record = store_.RequestKeyword(keyword, TPendingAction::Start);
  if (!record) {
    return TStartResult::Loading;
  }
  if (resumes) {
    task->Pause(false);
    Announce(record->Keyword, TTaskState::Running);
    return TStartResult::Resumed;
  }
  if (!task) {
    task = TTaskCtl::Create(record->Keyword, reports_, engines.baidu, engines.sogou, engines.so360);
    tasks_[record->Keyword] = task;
  }
  task->useBaidu = engines.baidu;
  task->useSogou = engines.sogou;
  task->use360 = engines.so360;
  task->startPageBaidu = record->LastPageOf(ENGINE_BAIDU);
  task->startPageSogou = record->LastPageOf(ENGINE_SOGOU);
  task->startPage360 = record->LastPageOf(ENGINE_360);
  task->onEngineEnd = [life = life_.Token()](TTaskCtl& controller, int engine, const std::string& k,
                                             int page) {
    life.With([&](TTaskBoard& board) { board.EngineFinished(controller, engine, k, page); });
  };
  task->Start();
  if (!task->IsRunning()) {
    return TStartResult::Failed;
  }
  Announce(record->Keyword, TTaskState::Running);
  return TStartResult::Started;
}

bool TTaskBoard::Pause(const std::string& keyword) {
  std::shared_ptr<TTaskCtl> task = TaskOf(keyword);
  if (!task) {
    return false;
  }
  // The paused task's companies are loaded; asking the store with the start action could leave
  // a start pending behind a reload, so the controller is paused directly.
  task->Pause(true);
  Announce(task->keyword, TTaskState::Paused);
  return true;
}

void TTaskBoard::Stop(const std::string& keyword, bool announce) {
  if (keyword.empty()) {
    return;
  }
  TKeyData* record = store_.RequestKeyword(keyword, TPendingAction::Stop);
  if (record && record->LoadRunning() && record->PendingAction == TPendingAction::Start) {
    // A start waiting for the load's end is called off.
    record->PendingAction = TPendingAction::Stop;
  }
  auto found = tasks_.find(record ? record->Keyword : keyword);
  if (found == tasks_.end()) {
    return;
  }
  std::shared_ptr<TTaskCtl> task = found->second;
  const bool running = task->IsRunning();
  task->StopAll();
  tasks_.erase(found);
  if (announce) {
    // With no engine left to report an end, the item is idle at once.
    Announce(task->keyword, running ? TTaskState::Stopping : TTaskState::Idle);
  }
}

void TTaskBoard::StopAll() {
  while (!tasks_.empty()) {
    const std::string keyword = tasks_.begin()->first;
    Stop(keyword, false);
    tasks_.erase(keyword);  // a keyword the store no longer knows
  }
}

void TTaskBoard::Close() {
  if (closed_) {
    return;
  }
  StopAll();
  closed_ = true;
  life_.Cut();
}

TTaskBoard::TLoadOutcome TTaskBoard::CompaniesLoaded(const std::string& keyword) {
  TLoadOutcome outcome;
  outcome.action = store_.TakePendingAction(keyword);
  if (outcome.action == TPendingAction::Start) {
    outcome.start = Start(keyword);
  }
  return outcome;
}

bool TTaskBoard::PageReported(const std::string& keyword, std::int32_t page, TEngineIndex engine) {
  if (store_.RecordPageReport(keyword, page, engine)) {
    return true;
  }
  Stop(keyword, true);
  return false;
}

void TTaskBoard::EngineFinished(TTaskCtl& controller, int engineIndex, const std::string& keyword,
                                int page) {
  // An engine of a task stopped earlier may end while a newer task of the keyword runs: the
  // keyword then keeps the newer task's state.
  std::shared_ptr<TTaskCtl> current = TaskOf(keyword);
  const bool newerRuns = current && current.get() != &controller && current->IsRunning();
  if (!newerRuns) {
    const TKeyData* record = store_.FindKeyword(keyword);
    Announce(record ? record->Keyword : keyword, TTaskState::Idle);
  }
  if (engineIndex >= ENGINE_BAIDU && engineIndex <= ENGINE_360) {
    store_.StoreLastPage(keyword, page, static_cast<TEngineIndex>(engineIndex));
  }
}

}  // namespace vlmr
