// The clipboard, as an installable service: the GUI installs Qt's; without one the clipboard
// is a process-local text.
#pragma once

#include <memory>
#include <string>

namespace vlmr {

class TClipboardService {
 public:
  virtual ~TClipboardService() = default;
  virtual void SetText(const std::string& utf8) = 0;
  virtual std::string Text() = 0;
};

void InstallClipboardService(std::shared_ptr<TClipboardService> service);
// UTF-8 texts.
void SetClipboardText(const std::string& utf8);
std::string ClipboardText();

}  // namespace vlmr
