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
  if (!FetchAndAnalyse()) {
    return false;
  }
  ++page_;
  StartLinkCrawlers(addresses_, SiteGate(), Flavour());
  info_.page = page_;
  ReportPage();
  return true;
}

bool TLinkCollector::FetchAndAnalyse() {
  const std::string address = Address(page_);
  ReportProgress(FetchingText());
  std::string body;
  if (!client_.Get(address, body)) {
    return false;
  }
  if (CheckStop() || body.empty()) {
    return true;
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
  return true;
}

}  // namespace vlmr
