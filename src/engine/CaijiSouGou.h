// The Sogou result-page collector: the links that lead off Sogou and Sogou's ad-click links
// (see TLinkCollector).
#pragma once

#include <string>
#include <string_view>

#include "engine/LinkCollector.h"

namespace vlmr {

class TCaijiSouGou : public TLinkCollector {
 public:
  TCaijiSouGou(TWindowHandle window, std::string keyword, int startPage);

  // The address of result page `page` for a keyword (GBK).
  static std::string PageAddress(const std::string& keyword, int page);

 protected:
  TGate PageGate() const override { return TGate::SogouPage; }
  TGate SiteGate() const override { return TGate::SogouSite; }
  TCrawlerFlavour Flavour() const override { return TCrawlerFlavour::Sogou; }
  std::string Address(int page) const override;
  const std::string& AdLinkPattern() const override;
  bool LeadsOff(std::string_view anchor) const override;
};

}  // namespace vlmr
