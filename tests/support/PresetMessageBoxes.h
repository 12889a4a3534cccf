// A message-box service for tests: answers from a preset queue (then a default) and records
// every box it was asked to show.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/MessageBox.h"

namespace vlmr::test {

class TPresetMessageBoxes : public TMessageBoxService {
 public:
  struct TAsked {
    std::string text;
    std::string caption;
    int kind;
  };

  int Show(const std::string& text, const std::string& caption, int kind) override {
    std::lock_guard lock(mutex_);
    asked_.push_back({text, caption, kind});
    if (answers_.empty())
      return defaultAnswer_;
    int a = answers_.front();
    answers_.pop_front();
    return a;
  }

  void Answer(int answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
  }
  void SetDefaultAnswer(int answer) {
    std::lock_guard lock(mutex_);
    defaultAnswer_ = answer;
  }
  std::vector<TAsked> Asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
  }

  // Installs a fresh service for the scope of the returned pointer's owner.
  static std::shared_ptr<TPresetMessageBoxes> Install() {
    auto s = std::make_shared<TPresetMessageBoxes>();
    InstallMessageBoxService(s);
    return s;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  int defaultAnswer_ = MB_RESULT_OK;
  std::vector<TAsked> asked_;
};

}  // namespace vlmr::test
