// Calls into the user-interface thread. The program installs one dispatcher (the Qt event
// loop); tests install a TQueueDispatcher and drive it themselves.
//
// PostToUi queues a call. SendToUi runs a call on the UI thread and blocks until it has run;
// on the UI thread itself it runs inline. With no dispatcher installed, or once the installed
// one is shut down, calls are dropped and SendToUi returns at once: a worker can never hang on
// a UI thread that has gone.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vlmr {

class TUiDispatcher {
 public:
  virtual ~TUiDispatcher() = default;
  // Queues `call` to run on the UI thread. May be called from any thread. A dispatcher that
  // cannot run the call destroys it instead.
  virtual void Post(std::function<void()> call) = 0;
  virtual bool IsUiThread() const = 0;
};

// Installs the process's dispatcher (nullptr removes it). The previous one is released once
// no call is using it.
void InstallUiDispatcher(std::shared_ptr<TUiDispatcher> dispatcher);
std::shared_ptr<TUiDispatcher> CurrentUiDispatcher();

bool IsUiThread();
void PostToUi(std::function<void()> call);
// Returns true when the call ran, false when it was dropped.
bool SendToUi(const std::function<void()>& call);

// A dispatcher over a plain queue, run by whoever owns it (tests, console tools). The thread
// that creates it is its UI thread.
class TQueueDispatcher : public TUiDispatcher {
 public:
  TQueueDispatcher();
  ~TQueueDispatcher() override;

  void Post(std::function<void()> call) override;
  bool IsUiThread() const override;

  // Runs every queued call (and those they queue); returns how many ran.
  int ProcessEvents();
  // Runs calls as they arrive until `done` is true or `timeoutMs` has passed; returns done().
  bool ProcessUntil(const std::function<bool()>& done, int timeoutMs);
  // Drops every queued call and every later one.
  void Shutdown();
  // Calls queued and not yet run.
  std::size_t Pending() const;

 private:
  std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::function<void()>> queue_;
  bool shutDown_ = false;
};

// Installs a TQueueDispatcher for the current scope and removes it at the end.
class TScopedQueueDispatcher {
 public:
  TScopedQueueDispatcher();
  ~TScopedQueueDispatcher();
  TQueueDispatcher& operator*() { return *dispatcher_; }
  TQueueDispatcher* operator->() { return dispatcher_.get(); }

 private:
  std::shared_ptr<TQueueDispatcher> dispatcher_;
};

}  // namespace vlmr
