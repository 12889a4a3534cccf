#include "base/Thread.h"

#include <chrono>
#include <thread>

#include "base/Dispatcher.h"

namespace vlmr {
namespace {

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::condition_variable& RegistryChanged() {
  static std::condition_variable cv;
  return cv;
}
int& RegistryCount() {
  static int count = 0;
  return count;
}

std::uint64_t NextId() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1);
}

}  // namespace

TWorkerThread::TWorkerThread() : id_(NextId()) {}

void TWorkerThread::Start() {
  if (started_.exchange(true)) {
    return;
  }
  TWorkerRegistry::Enter();
  try {
    std::thread([this] { Run(); }).detach();
  } catch (...) {
    // No thread could be made: end as a run that did nothing would.
    TWorkerRegistry::Leave();
    started_ = false;
    throw;
  }
}

void TWorkerThread::Run() {
  try {
    Execute();
  } catch (...) {
    // A run that ends by an error ends like any other.
  }
  if (onTerminate_) {
    SendToUi([this] { onTerminate_(*this); });
  }
  delete this;
  TWorkerRegistry::Leave();
}

void TWorkerThread::Terminate() {
  {
    std::lock_guard lock(mutex_);
    terminated_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
  OnStopRequested();
}

void TWorkerThread::SetPaused(bool paused) {
  {
    std::lock_guard lock(mutex_);
    paused_ = paused;
  }
  wake_.notify_all();
}

bool TWorkerThread::IsPaused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool TWorkerThread::CheckStop() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !paused_ || Terminated(); });
  return Terminated();
}

bool TWorkerThread::WaitOrStop(int ms) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Terminated(); });
  return Terminated();
}

int TWorkerRegistry::Count() {
  std::lock_guard lock(RegistryMutex());
  return RegistryCount();
}

void TWorkerRegistry::Enter() {
  std::lock_guard lock(RegistryMutex());
  ++RegistryCount();
}

void TWorkerRegistry::Leave() {
  // Notified under the lock: once a waiter sees the count reach zero, this (detached) thread
  // no longer touches the registry, so the program may end and destroy it.
  std::lock_guard lock(RegistryMutex());
  --RegistryCount();
  RegistryChanged().notify_all();
}

bool TWorkerRegistry::WaitUntilEmpty(int timeoutMs, const std::function<void()>& pump) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (pump)
      pump();
    std::unique_lock lock(RegistryMutex());
    if (RegistryCount() == 0)
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    // Short waits: the pump must run again soon, since workers may be blocked in a send.
    RegistryChanged().wait_for(lock, std::chrono::milliseconds(5));
  }
}

}  // namespace vlmr
