#include "engine/Collector.h"

namespace vlmr {

TCollectorThread::TCollectorThread(TWindowHandle window, TEngineIndex engine, std::string keyword,
                                   int startPage)
    : window_(std::move(window)), engine_(engine), page_(startPage) {
  info_.keyword = std::move(keyword);
  info_.source = SourceLabel(engine);
}

bool TCollectorThread::WaitAtGate(TGate gate, int pollMs) {
  while (true) {
    if (CheckStop()) {
      return false;
    }
    if (TEngineLocks::TryPass(gate)) {
      return true;
    }
    TEngineLocks::Sleep(pollMs, [this](int ms) { WaitOrStop(ms); });
  }
}

void TCollectorThread::ReportProgress(const std::string& message) {
  if (Terminated()) {
    return;
  }
  info_.message = message;
  window_->Send(WM_COLLECT_REPORT, REPORT_PROGRESS, reinterpret_cast<std::intptr_t>(&info_));
}

void TCollectorThread::ReportPage() {
  if (Terminated()) {
    return;
  }
  window_->Send(WM_COLLECT_REPORT, REPORT_PAGE, reinterpret_cast<std::intptr_t>(&info_));
}

}  // namespace vlmr
