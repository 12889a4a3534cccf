#include "engine/records/CollectReport.h"

namespace vlmr {

void SendCollectReport(const TWindowHandle& window, TCollectReport::TBody body) {
  if (window) {
    window->SendObject(WM_COLLECT_REPORT, TCollectReport(body));
  }
}

const TCollectReport* AsCollectReport(std::uint32_t msg, const TMessagePayload& payload) {
  return msg == WM_COLLECT_REPORT ? dynamic_cast<const TCollectReport*>(&payload) : nullptr;
}

}  // namespace vlmr
