// The worker report: what a collector or a crawler tells the window while it runs. One report
// type per kind, carried as one variant in a message payload; the receiver reads the objects
// it points at only during the blocking send, while the sender waits.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "base/MessageTarget.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {

inline constexpr std::uint32_t WM_COLLECT_REPORT = 4035;

// The kinds, in the order of the variant's alternatives.
enum TReportKind : std::uint8_t {
  REPORT_COMPANY = 0,   // a company found, with its contacts
  REPORT_PROGRESS = 1,  // a collector's progress text
  REPORT_PAGE = 2,      // a collector finished a result page
  REPORT_STATUS = 3,    // a crawler's status text
};

struct TCompanyReport {
  const TComPanyInfo* company;
};
struct TProgressReport {
  const TCaiJiInfo* progress;
};
struct TPageReport {
  const TCaiJiInfo* progress;
};
struct TStatusReport {
  const std::string* text;     // GBK
  const std::string* keyword;  // the task the crawler works for
};

class TCollectReport final : public TMessagePayload {
 public:
  using TBody = std::variant<TCompanyReport, TProgressReport, TPageReport, TStatusReport>;

  explicit TCollectReport(TBody body) : body_(body) {}

  TReportKind Kind() const { return static_cast<TReportKind>(body_.index()); }
  const TBody& Body() const { return body_; }

 private:
  TBody body_;
};

// Sends the report to the window and waits until it is handled (or dropped by a closed window).
void SendCollectReport(const TWindowHandle& window, TCollectReport::TBody body);

// The collect report a message carries, or nullptr for any other message.
const TCollectReport* AsCollectReport(std::uint32_t msg, const TMessagePayload& payload);

}  // namespace vlmr
