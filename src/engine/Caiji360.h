// The 360 result-page collector: the links that lead off 360's search and advertising domains,
// and 360's ad-click links (see TLinkCollector).
//
// The request names UTF-8 (ie=utf-8), so the keyword goes out as its UTF-8 bytes
// percent-encoded, where the other two engines take its GBK bytes.
#pragma once

#include <string>
#include <string_view>

#include "engine/LinkCollector.h"

namespace vlmr {

class TCaiji360 : public TLinkCollector {
 public:
  TCaiji360(TWindowHandle window, std::string keyword, int startPage);

  // The address of result page `page` for a keyword (GBK).
  static std::string PageAddress(const std::string& keyword, int page);

 protected:
  TGate PageGate() const override { return TGate::Page360; }
  TGate SiteGate() const override { return TGate::Site360; }
  TCrawlerFlavour Flavour() const override { return TCrawlerFlavour::So360; }
  std::string Address(int page) const override;
  const std::string& AdLinkPattern() const override;
  bool LeadsOff(std::string_view anchor) const override;
};

}  // namespace vlmr
