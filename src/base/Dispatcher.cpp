#include "base/Dispatcher.h"
#include "base/Guarded.h"

#include <algorithm>
#include <chrono>

namespace vlmr {
namespace {

TGuarded<std::shared_ptr<TUiDispatcher>>& Global() {
  static TGuarded<std::shared_ptr<TUiDispatcher>> d;
  return d;
}

// Signals the waiting sender when the posted call has run or has been destroyed unrun.
struct Completion {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  bool ran = false;
  void Signal(bool didRun) {
    std::lock_guard lock(mutex);
    done = true;
    ran = ran || didRun;
    cv.notify_all();
  }
};

struct Ticket {
  explicit Ticket(std::shared_ptr<Completion> c) : completion(std::move(c)) {}
  Ticket(const Ticket&) = delete;
  Ticket& operator=(const Ticket&) = delete;
  ~Ticket() { completion->Signal(false); }
  std::shared_ptr<Completion> completion;
};

}  // namespace

void InstallUiDispatcher(std::shared_ptr<TUiDispatcher> dispatcher) {
  // The old one goes when its last user lets it go, never under the lock.
  std::shared_ptr<TUiDispatcher> old = Global().Exchange(std::move(dispatcher));
}

std::shared_ptr<TUiDispatcher> CurrentUiDispatcher() {
  return Global().Get();
}

bool IsUiThread() {
  auto d = CurrentUiDispatcher();
  return d && d->IsUiThread();
}

void PostToUi(std::function<void()> call) {
  if (auto d = CurrentUiDispatcher()) {
    d->Post(std::move(call));
  }
}

bool SendToUi(const std::function<void()>& call) {
  auto d = CurrentUiDispatcher();
  if (!d) {
    return false;
  }
  if (d->IsUiThread()) {
    try {
      call();
    } catch (...) {
    }
    return true;
  }
  auto completion = std::make_shared<Completion>();
  auto ticket = std::make_shared<Ticket>(completion);
  d->Post([&call, ticket]() {
    try {
      call();
    } catch (...) {
    }
    ticket->completion->Signal(true);
  });
  ticket.reset();
  d.reset();
  std::unique_lock lock(completion->mutex);
  completion->cv.wait(lock, [&] { return completion->done; });
  return completion->ran;
}

TQueueDispatcher::TQueueDispatcher() : owner_(std::this_thread::get_id()) {}

TQueueDispatcher::~TQueueDispatcher() {
  Shutdown();
}

void TQueueDispatcher::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    if (!shutDown_) {
      queue_.push_back(std::move(call));
      arrived_.notify_all();
      return;
    }
  }
  // Destroyed outside the lock: a dropped send signals its sender here.
  call = nullptr;
}

bool TQueueDispatcher::IsUiThread() const {
  return std::this_thread::get_id() == owner_;
}

int TQueueDispatcher::ProcessEvents() {
  int count = 0;
  while (true) {
    std::function<void()> call;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty())
        break;
      call = std::move(queue_.front());
      queue_.pop_front();
    }
    call();
    ++count;
  }
  return count;
}

bool TQueueDispatcher::ProcessUntil(const std::function<bool()>& done, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    ProcessEvents();
    if (done())
      return true;
    std::unique_lock lock(mutex_);
    if (queue_.empty()) {
      // Woken by the next post; the short bound re-checks `done` for state changed elsewhere.
      auto next =
          std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
      arrived_.wait_until(lock, next, [&] { return !queue_.empty(); });
    }
    if (std::chrono::steady_clock::now() >= deadline && queue_.empty()) {
      lock.unlock();
      return done();
    }
  }
}

void TQueueDispatcher::Shutdown() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(queue_);
  }
  dropped.clear();
}

std::size_t TQueueDispatcher::Pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

TScopedQueueDispatcher::TScopedQueueDispatcher()
    : dispatcher_(std::make_shared<TQueueDispatcher>()) {
  InstallUiDispatcher(dispatcher_);
}

TScopedQueueDispatcher::~TScopedQueueDispatcher() {
  InstallUiDispatcher(nullptr);
  dispatcher_->Shutdown();
}

}  // namespace vlmr
