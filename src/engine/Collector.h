// Base of the three result-page collectors: a worker thread with its progress record, the
// waits at the pacing gates, and its list of running crawlers.
#pragma once

#include <string>

#include "base/MessageTarget.h"
#include "base/Thread.h"
#include "engine/Gates.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {

class TCollectorThread : public TWorkerThread {
 public:
  TCollectorThread(TWindowHandle window, TEngineIndex engine, std::string keyword, int startPage);

  TEngineIndex Engine() const { return engine_; }
  // Read by the controller's end handler, on the UI thread, while the collector waits.
  const TCaiJiInfo& Progress() const { return info_; }

 protected:
  // Waits at `gate`, polling every `pollMs`; false when asked to stop meanwhile. Pausing holds
  // the wait.
  bool WaitAtGate(TGate gate, int pollMs);

  // Reports, skipped once the collector has been asked to stop.
  void ReportProgress(const std::string& message);
  void ReportPage();

  TWindowHandle window_;
  TEngineIndex engine_;
  TCaiJiInfo info_;
  int page_;
};

}  // namespace vlmr
