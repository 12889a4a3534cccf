// The Sogou result-page collector. It pages through Sogou's results for the keyword from its
// start page and collects, per page, the addresses of the promoted results (Sogou's ad-click
// links) and of every other link that leads off Sogou, each address once; then it starts one
// Sogou-flavour crawler per address. Every page that returns counts, results or not; a
// result-page request that fails ends the run, with the failed page as the page reached.
#pragma once

#include <string>

#include "base/StringList.h"
#include "engine/Collector.h"

namespace vlmr {

class TCaijiSouGou : public TCollectorThread {
 public:
  TCaijiSouGou(TWindowHandle window, std::string keyword, int startPage);

  // The address of result page `page` for a keyword (GBK).
  static std::string PageAddress(const std::string& keyword, int page);

 protected:
  TGate PageGate() const override { return TGate::SogouPage; }
  bool ProcessPage() override;

 private:
  // Fetches page_ and collects its addresses; false when the request failed.
  bool FetchAndAnalyse();

  TUniqueStringList addresses_;
};

}  // namespace vlmr
