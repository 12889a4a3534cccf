#include "engine/LinkCollector.h"

namespace vlmr {
namespace {

const std::string& AnyLinkPattern() {
  static const std::string pattern = R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

}  // namespace

TLinkCollector::TLinkCollector(TWindowHandle window, TEngineIndex engine, std::string keyword,
                               int startPage)
    : TCollectorThread(std::move(window), engine, std::move(keyword), startPage) {}

bool TLinkCollector::ProcessPage() {
  addresses_.Clear();
  switch (FetchAndAnalyse()) {
    case TOutcome::Failed:
      return false;
    case TOutcome::Verification:
      return CoolDownAfterVerification();
    case TOutcome::ProxyFailed:
      return true;  // the same page again, through the next proxy
    case TOutcome::Fetched:
      break;
  }
  ++page_;
  StartLinkCrawlers(addresses_, SiteGate(), Flavour());
  info_.page = page_;
  ReportPage();
  return true;
}

TLinkCollector::TOutcome TLinkCollector::FetchAndAnalyse() {
  const std::string address = Address(page_);
  ReportProgress(FetchingText());
  std::string body;
  const bool ok = client_.Get(address, body);
  const bool verification = IsVerification(ok ? std::string_view(body) : std::string_view());
  if (ProxyFailed(ok, verification)) {
    return TOutcome::ProxyFailed;
  }
  // A verification page ends nothing, whether it loaded or not.
  if (verification) {
    return TOutcome::Verification;
  }
  if (!ok) {
    return TOutcome::Failed;
  }
  ResetCoolDown();
  if (CheckStop() || body.empty()) {
    return TOutcome::Fetched;
  }
  const std::string text = ResultPageText(body);
  ReportProgress(AnalysingText());
  for (const std::string& anchor : regExp_.FindAll(text, AdLinkPattern())) {
    TakeLinkAddress(anchor, addresses_);
  }
  for (const std::string& anchor : regExp_.FindAll(text, AnyLinkPattern())) {
    if (LeadsOff(anchor)) {
      TakeLinkAddress(anchor, addresses_);
    }
  }
  return TOutcome::Fetched;
}

}  // namespace vlmr
