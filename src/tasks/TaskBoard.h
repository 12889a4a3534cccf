// The task board: the keywords' tasks, one controller per keyword, and the commands on them
// (start, pause, stop, stop all), the handling of an engine's end and of a page report (the
// idle rule: the store refuses a page after three without a new company, and the task stops),
// and what is done once a keyword's companies have loaded. No Qt: the window and a window-less
// collector drive the same board and show its states their own way.
//
// Runs on one thread (the UI thread); the collectors report to the window handle given here,
// and their end notifications arrive on the same thread. A controller dropped by a stop lives on
// while its collectors can still report their end; an end that arrives after the board is gone
// touches nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "base/LifeLink.h"
#include "base/MessageTarget.h"
#include "engine/records/KeyUnit.h"
#include "store/KeyListInfo.h"

namespace vlmr {

class TTaskCtl;

// The engines a task pages through.
struct TEngineChoice {
  bool baidu = true;
  bool sogou = true;
  bool so360 = true;
  bool Any() const { return baidu || sogou || so360; }
};

// What a keyword's task looks like to the user.
enum class TTaskState : std::uint8_t {
  Idle,      // not running (never started, ended, or stopped with nothing left running)
  Running,   // started or resumed
  Paused,    // paused by the user
  Stopping,  // asked to stop while engines ran; each engine's end makes it Idle
};

enum class TStartResult : std::uint8_t {
  Started,   // collectors run
  Resumed,   // a paused task runs again
  Loading,   // the companies load first; the load's end starts it (CompaniesLoaded)
  NoEngine,  // nothing ticked: a task without an engine would never end
  Unknown,   // no such keyword
  Failed,    // no collector thread could be made; the task stays idle
};

class TTaskBoard {
 public:
  using TStateChanged = std::function<void(const std::string& keyword, TTaskState state)>;
  using TEngineSource = std::function<TEngineChoice()>;

  // `reports` is where the collectors send their reports; `engines` gives the engines ticked
  // at the moment a task starts (all three when empty).
  TTaskBoard(TKeyListInfo& store, TWindowHandle reports, TEngineSource engines = {});
  // Stops every task (Close).
  ~TTaskBoard();
  TTaskBoard(const TTaskBoard&) = delete;
  TTaskBoard& operator=(const TTaskBoard&) = delete;

  // Starts the keyword's task, or resumes it while it runs paused. A keyword whose companies
  // are not loaded yet starts once they are.
  TStartResult Start(const std::string& keyword);
  // Pauses a task; false when the keyword has none.
  bool Pause(const std::string& keyword);
  // Stops the keyword's task and forgets it (a start that waits for a load is called off).
  // With `announce` the state goes to Stopping while engines ran, else to Idle at once.
  void Stop(const std::string& keyword, bool announce);
  // Stops every task without announcing it.
  void StopAll();
  // Stops every task and drops every controller; nothing is announced any more. For the end.
  void Close();

  // After the store's load of a keyword ended: takes its pending action and, for Start,
  // starts the task. The caller shows the companies (Show, Start) or opens the export.
  struct TLoadOutcome {
    TPendingAction action = TPendingAction::Show;
    TStartResult start = TStartResult::Unknown;  // for Start only
  };
  TLoadOutcome CompaniesLoaded(const std::string& keyword);

  // A collector finished a result page. The store records it; when it refuses (three pages
  // without a new company, or an unknown keyword) the task is stopped, announced, and the
  // answer is false.
  bool PageReported(const std::string& keyword, std::int32_t page, TEngineIndex engine);

  // True while the keyword has a task (running, paused, or ended on its own but not stopped).
  bool HasTask(const std::string& keyword) const;
  bool IsRunning(const std::string& keyword) const;
  bool AnyRunning() const;
  // The controller of a keyword's task, for looking at; nullptr when it has none.
  const TTaskCtl* Task(const std::string& keyword) const { return TaskOf(keyword).get(); }

  TStateChanged OnStateChanged;

 private:
  std::shared_ptr<TTaskCtl> TaskOf(const std::string& keyword) const;
  void EngineFinished(TTaskCtl& controller, int engineIndex, const std::string& keyword, int page);
  void Announce(const std::string& keyword, TTaskState state);

  TKeyListInfo& store_;
  TWindowHandle reports_;
  TEngineSource engines_;
  // By the keyword's stored text.
  std::unordered_map<std::string, std::shared_ptr<TTaskCtl>> tasks_;
  bool closed_ = false;
  TLifeLink<TTaskBoard> life_{*this};
};

}  // namespace vlmr
