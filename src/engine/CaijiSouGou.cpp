#include "engine/CaijiSouGou.h"

#include "base/Utils.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {
namespace {

const std::string& AdLinkPattern() {
  static const std::string pattern =
      std::string("<a[^>]*http://") + SogouSearchHost + R"(/bill_cpc?[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

const std::string& AnyLinkPattern() {
  static const std::string pattern = R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

}  // namespace

TCaijiSouGou::TCaijiSouGou(TWindowHandle window, std::string keyword, int startPage)
    : TCollectorThread(std::move(window), ENGINE_SOGOU, std::move(keyword), startPage) {}

std::string TCaijiSouGou::PageAddress(const std::string& keyword, int page) {
  std::string address =
      std::string("http://") + SogouSearchHost + "/web?query=" + UrlEncode(keyword, false);
  if (page != 0) {
    address += "&page=" + std::to_string(static_cast<long long>(page) + 1);
  }
  return address;
}

bool TCaijiSouGou::ProcessPage() {
  addresses_.Clear();
  if (!FetchAndAnalyse()) {
    return false;
  }
  ++page_;
  StartLinkCrawlers(addresses_, TGate::SogouSite, TCrawlerFlavour::Sogou);
  info_.page = page_;
  ReportPage();
  return true;
}

bool TCaijiSouGou::FetchAndAnalyse() {
  const std::string address = PageAddress(info_.keyword, page_);
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
    if (anchor.find(SogouDomain) == std::string::npos) {
      TakeLinkAddress(anchor, addresses_);
    }
  }
  return true;
}

}  // namespace vlmr
