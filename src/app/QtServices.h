// Qt implementations of the base layer's services: the UI-thread dispatcher over Qt's event
// loop, message boxes and the clipboard.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>

#include "base/Clipboard.h"
#include "base/Dispatcher.h"
#include "base/MessageBox.h"

namespace vlmr {

class TQtDispatcher : public TUiDispatcher {
 public:
  // Must be created on the GUI thread, after the QApplication.
  TQtDispatcher();
  ~TQtDispatcher() override;
  void Post(std::function<void()> call) override;
  bool IsUiThread() const override;
  // Calls posted from now on are dropped; those queued are dropped as they come up.
  void Shutdown();

 private:
  std::unique_ptr<QObject> receiver_;
  std::shared_ptr<std::atomic<bool>> shutDown_;
};

// Boxes with no owner window, always on top, caption as given, an icon per kind, and OK or
// OK / Cancel buttons with Chinese texts. Callable from any thread: the box is shown on the UI
// thread while the caller waits.
class TQtMessageBoxService : public TMessageBoxService {
 public:
  int Show(const std::string& text, const std::string& caption, int kind) override;
};

class TQtClipboardService : public TClipboardService {
 public:
  void SetText(const std::string& utf8) override;
  std::string Text() override;
};

// Installs all three; returns the dispatcher so the program can shut it down at its end.
std::shared_ptr<TQtDispatcher> InstallQtServices();
void UninstallQtServices(const std::shared_ptr<TQtDispatcher>& dispatcher);

}  // namespace vlmr
