#include "engine/Caiji360.h"

#include "base/Text.h"
#include "base/Utils.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {
namespace {

const std::string& AdLinkPattern() {
  static const std::string pattern =
      std::string("<a[^>]*http://") + Ad360Host + R"(/search/eclk?[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

const std::string& AnyLinkPattern() {
  static const std::string pattern = R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

bool LeadsOff360(const std::string& anchor) {
  return anchor.find(Search360Domain) == std::string::npos &&
         anchor.find(Ad360Domain) == std::string::npos;
}

}  // namespace

TCaiji360::TCaiji360(TWindowHandle window, std::string keyword, int startPage)
    : TCollectorThread(std::move(window), ENGINE_360, std::move(keyword), startPage) {}

std::string TCaiji360::PageAddress(const std::string& keyword, int page) {
  std::string address = std::string("http://") + Search360Host +
                        "/s?ie=utf-8&q=" + UrlEncode(GbkToUtf8(keyword), false);
  if (page != 0) {
    address += "&pn=" + std::to_string(static_cast<long long>(page) + 1);
  }
  return address;
}

bool TCaiji360::ProcessPage() {
  addresses_.Clear();
  if (!FetchAndAnalyse()) {
    return false;
  }
  ++page_;
  StartLinkCrawlers(addresses_, TGate::Site360, TCrawlerFlavour::So360);
  info_.page = page_;
  ReportPage();
  return true;
}

bool TCaiji360::FetchAndAnalyse() {
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
    if (LeadsOff360(anchor)) {
      TakeLinkAddress(anchor, addresses_);
    }
  }
  return true;
}

}  // namespace vlmr
