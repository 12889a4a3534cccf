// What the Sogou and 360 collectors share: per result page the addresses of the promoted
// results (the engine's ad-click links) and of every other link that leads off the engine,
// each once, then one crawler per address at the engine's site pace. Every page that returns
// counts, results or not; a result-page request that fails ends the run, with the failed page
// as the page reached, unless a proxy was to blame (the page is then asked for again through
// the next proxy). A verification page neither counts nor ends the run: the same page is
// asked for again after the cool-down (see Collector.h). Each engine says only its addresses,
// its ad links and its domains.
#pragma once

#include <string>
#include <string_view>

#include "base/StringList.h"
#include "engine/CaijiPageCon.h"
#include "engine/Collector.h"

namespace vlmr {

class TLinkCollector : public TCollectorThread {
 public:
  TLinkCollector(TWindowHandle window, TEngineIndex engine, std::string keyword, int startPage);

 protected:
  bool ProcessPage() override;

  // The address of result page `page` of the collector's keyword.
  virtual std::string Address(int page) const = 0;
  // The pattern of the engine's ad-click anchors.
  virtual const std::string& AdLinkPattern() const = 0;
  // True for an anchor that does not point back into the engine's own domains.
  virtual bool LeadsOff(std::string_view anchor) const = 0;
  virtual TGate SiteGate() const = 0;
  virtual TCrawlerFlavour Flavour() const = 0;

 private:
  enum class TOutcome { Fetched, Failed, Verification, ProxyFailed };
  TOutcome FetchAndAnalyse();

  TUniqueStringList addresses_;
};

}  // namespace vlmr
