// One window of a kind at a time (the company details, the contact, description and notice
// windows): the open one is remembered through a QPointer, so a window destroyed by any path
// is never handed out again.
#pragma once

#include <QPointer>

namespace vlmr {

template <class T>
class TOneWindow {
 public:
  T* Current() const { return window_.data(); }
  void Remember(T* window) { window_ = window; }
  // Called by a window as it goes: it is forgotten at once, before QObject's own end.
  void Forget(const T* window) {
    if (window_.data() == window) {
      window_.clear();
    }
  }

 private:
  QPointer<T> window_;
};

// The one window of kind T.
template <class T>
TOneWindow<T>& OneWindowOf() {
  static TOneWindow<T> one;
  return one;
}

}  // namespace vlmr
