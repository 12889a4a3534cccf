// The one lifetime link of the program: an owner (a window, the store, the task board) keeps a
// TLifeLink and cuts it when it goes (its destructor does); whatever may outlive the owner (an
// engine's end notification, a loader's hand-over, a configuration round) keeps a TLifeToken
// and reaches the owner only through With. With holds the link's lock during the call, so a cut
// never comes between the test and the use; the lock is recursive, so the call may cut the
// link itself. A cut link also serves as a cancel flag (Alive).
#pragma once

#include <memory>
#include <mutex>

namespace vlmr {

template <class T>
class TLifeLink;

template <class T>
class TLifeToken {
 public:
  TLifeToken() = default;

  // Calls `call(owner)` while the owner lives; false (nothing called) once the link is cut.
  template <class F>
  bool With(F&& call) const {
    if (!state_) {
      return false;
    }
    std::lock_guard lock(state_->mutex);
    if (!state_->owner) {
      return false;
    }
    call(*state_->owner);
    return true;
  }

  bool Alive() const {
    if (!state_) {
      return false;
    }
    std::lock_guard lock(state_->mutex);
    return state_->owner != nullptr;
  }

 private:
  friend class TLifeLink<T>;
  struct TState {
    std::recursive_mutex mutex;
    T* owner = nullptr;
  };
  explicit TLifeToken(std::shared_ptr<TState> state) : state_(std::move(state)) {}

  std::shared_ptr<TState> state_;
};

template <class T>
class TLifeLink {
 public:
  explicit TLifeLink(T& owner) : state_(std::make_shared<TState>()) { state_->owner = &owner; }
  ~TLifeLink() { Cut(); }
  TLifeLink(const TLifeLink&) = delete;
  TLifeLink& operator=(const TLifeLink&) = delete;

  // Waits for a call in progress on another thread, then makes every token dead.
  void Cut() {
    std::lock_guard lock(state_->mutex);
    state_->owner = nullptr;
  }
  TLifeToken<T> Token() const { return TLifeToken<T>(state_); }

 private:
  using TState = typename TLifeToken<T>::TState;
  std::shared_ptr<TState> state_;
};

}  // namespace vlmr
