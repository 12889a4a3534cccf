#include "engine/CaijiSouGou.h"

#include "base/Utils.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {

TCaijiSouGou::TCaijiSouGou(TWindowHandle window, std::string keyword, int startPage)
    : TLinkCollector(std::move(window), ENGINE_SOGOU, std::move(keyword), startPage) {}

std::string TCaijiSouGou::PageAddress(const std::string& keyword, int page) {
  std::string address =
      std::string("http://") + SogouSearchHost + "/web?query=" + UrlEncode(keyword, false);
  if (page != 0) {
    address += "&page=" + std::to_string(static_cast<long long>(page) + 1);
  }
  return address;
}

std::string TCaijiSouGou::Address(int page) const {
  return PageAddress(info_.keyword, page);
}

const std::string& TCaijiSouGou::AdLinkPattern() const {
  static const std::string pattern =
      std::string("<a[^>]*http://") + SogouSearchHost + R"(/bill_cpc?[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

bool TCaijiSouGou::LeadsOff(std::string_view anchor) const {
  return anchor.find(SogouDomain) == std::string_view::npos;
}

}  // namespace vlmr
