// A file-dialog service for tests: answers from a preset queue (then cancels) and records
// every request it was asked to show.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "windows/FileDialog.h"

namespace vlmr::test {

class TPresetFileDialogs : public TFileDialogService {
 public:
  std::optional<std::string> AskSaveFileName(const TSaveDialogRequest& request) override {
    asked_.push_back(request);
    if (answers_.empty())
      return std::nullopt;
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  // A path the user chooses, or nothing for Cancel.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  const std::vector<TSaveDialogRequest>& Asked() const { return asked_; }

  static std::shared_ptr<TPresetFileDialogs> Install() {
    auto s = std::make_shared<TPresetFileDialogs>();
    InstallFileDialogService(s);
    return s;
  }

 private:
  std::deque<std::optional<std::string>> answers_;
  std::vector<TSaveDialogRequest> asked_;
};

}  // namespace vlmr::test
