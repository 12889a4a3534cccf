// One `run` of the command: adds the keywords that are new, starts their tasks on the task
// board (each resumes at its stored pages), and handles the workers' reports on the calling
// thread, which is the UI thread of the dispatcher given, exactly as the window does: companies
// go to the store, pages to the board, whose idle rule ends a task.
//
// The run ends when every task has ended, when the time limit runs out, or when a stop is
// requested; then every task is stopped, the workers are drained (bounded), and their ends
// store the pages reached, so the next run resumes there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Dispatcher.h"
#include "base/MessageTarget.h"
#include "cli/CollectEvent.h"
#include "cli/CollectOutput.h"
#include "tasks/TaskBoard.h"

namespace vlmr {

class TKeyListInfo;
class TCollectReport;

class TCollectRun {
 public:
  struct TSettings {
    std::vector<std::string> keywords;  // GBK, trimmed, not empty
    TEngineChoice engines;
    std::int64_t limitMs = 0;  // 0: no time limit
    int drainMs = 20000;       // bound of the wait for the workers at the end
  };
  // The number of the signal that asks the run to stop, or 0.
  using TStopRequest = std::function<int()>;

  TCollectRun(TKeyListInfo& store, TQueueDispatcher& ui, TCollectOutput& output, TSettings settings,
              TStopRequest stop);
  ~TCollectRun();
  TCollectRun(const TCollectRun&) = delete;
  TCollectRun& operator=(const TCollectRun&) = delete;

  // The exit code: 0 when every task ended by the idle rule or the time limit, 128 + the
  // signal after a requested stop, 1 when a task failed (Errors says which).
  int Run();
  // Messages for standard error (UTF-8).
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  enum class TPhase : std::uint8_t { Waiting, Running, Ended };
  struct TTask {
    std::string keyword;  // the stored text
    TPhase phase = TPhase::Waiting;
    TTaskEnd end = TTaskEnd::Idle;
    bool refused = false;  // the store refused a page: the idle rule ended it
    std::int32_t stored = 0;
    std::int32_t pages[3] = {0, 0, 0};
  };

  TTask* Find(const std::string& keyword);
  bool AddKeywords();
  void Begin(TTask& task, TStartResult result);
  void HandleReport(const TCollectReport& report);
  void HandleState(const std::string& keyword, TTaskState state);
  void HandleLoaded(const std::string& keyword);
  // Tasks whose board task no longer runs have ended.
  void NoteEnds();
  void End(TTask& task, TTaskEnd end);
  bool AllEnded() const;
  void EndInOrder(TTaskEnd end);
  TRunStatus Status() const;
  std::int64_t ElapsedMs() const;

  TKeyListInfo& store_;
  TQueueDispatcher& ui_;
  TCollectOutput& output_;
  TSettings settings_;
  TStopRequest stop_;
  TWindowHandle reports_;
  std::unique_ptr<TTaskBoard> board_;
  std::vector<TTask> tasks_;
  std::vector<std::string> errors_;
  std::string site_;
  std::int64_t startMs_ = 0;
  bool stopping_ = false;
};

}  // namespace vlmr
