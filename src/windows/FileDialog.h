// The program's file dialogs, as an installable service like the message boxes: the windows
// layer shows Qt's save dialog unless another service is installed (tests install one with
// preset answers). Texts and paths are UTF-8.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vlmr {

struct TSaveDialogRequest {
  std::string filterName;     // "文本文件"
  std::string filterPattern;  // "*.txt"
  std::string defaultSuffix;  // "txt": added to a typed name without extension
  std::string proposedName;   // file name only
  std::string folder;         // where the dialog starts; empty for its own choice
};

class TFileDialogService {
 public:
  virtual ~TFileDialogService() = default;
  // The chosen path, or nothing when the user cancels. The service asks no overwrite question.
  virtual std::optional<std::string> AskSaveFileName(const TSaveDialogRequest& request) = 0;
};

// An empty service restores Qt's dialog.
void InstallFileDialogService(std::shared_ptr<TFileDialogService> service);
std::optional<std::string> AskSaveFileName(const TSaveDialogRequest& request);

}  // namespace vlmr
