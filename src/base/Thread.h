// Worker-thread base. A worker is constructed, optionally given an end notification, then
// started; it is never started from a constructor. After its run it delivers the end
// notification on the UI thread as a blocking call, then frees itself on its own thread.
//
// Stop and pause are flags the run tests (CheckStop); nothing is killed. The registry counts
// live workers so that the program's end can wait for all of them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vlmr {

class TWorkerThread {
 public:
  using TEndNotification = std::function<void(TWorkerThread&)>;

  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  // Starts the run on a thread of its own. Call once. From here on the object belongs to its
  // thread: other threads may only call Terminate, SetPaused and the getters, and only while
  // they know it has not ended (its end notification has not run yet).
  void Start();

  // Asks the run to stop; wakes it from a pause or a stop-aware wait.
  void Terminate();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }

  void SetPaused(bool paused);
  bool IsPaused() const;

  // A number no other worker of this process has; it stands for the thread's identifier.
  std::uint64_t Id() const { return id_; }

  // Runs on the UI thread after the run, while the worker waits. Set before Start.
  void SetOnTerminate(TEndNotification notification) { onTerminate_ = std::move(notification); }

  // Called by Terminate, on the calling thread, so that a run blocked in I/O can abort it
  // (an HTTP transfer's stop flag, for instance). Optional.
  virtual void OnStopRequested() {}

 protected:
  TWorkerThread();
  virtual ~TWorkerThread() = default;

  virtual void Execute() = 0;

  // Waits while paused; true when the worker has been asked to stop.
  bool CheckStop();
  // Waits up to `ms` milliseconds, returning early on a stop; true when asked to stop.
  bool WaitOrStop(int ms);

 private:
  void Run();

  const std::uint64_t id_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> started_{false};
  bool paused_ = false;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  TEndNotification onTerminate_;
};

// Live-worker count across the process.
class TWorkerRegistry {
 public:
  static int Count();
  // Calls `pump` (which should process UI events) until the count is zero or `timeoutMs` has
  // passed; true when it reached zero.
  static bool WaitUntilEmpty(int timeoutMs, const std::function<void()>& pump);

  // For the thread base only.
  static void Enter();
  static void Leave();
};

}  // namespace vlmr
