// The 360 result-page collector, the twin of the Sogou one with 360's addresses: per page the
// addresses of the promoted results (360's ad-click links) and of every other link that leads
// off 360's search and advertising domains, each once, then one 360-flavour crawler per
// address. Every page that returns counts; a failed result-page request ends the run.
//
// The request names UTF-8 (ie=utf-8), so the keyword goes out as its UTF-8 bytes
// percent-encoded, where the other two engines take its GBK bytes.
#pragma once

#include <string>

#include "base/StringList.h"
#include "engine/Collector.h"

namespace vlmr {

class TCaiji360 : public TCollectorThread {
 public:
  TCaiji360(TWindowHandle window, std::string keyword, int startPage);

  // The address of result page `page` for a keyword (GBK).
  static std::string PageAddress(const std::string& keyword, int page);

 protected:
  TGate PageGate() const override { return TGate::Page360; }
  bool ProcessPage() override;

 private:
  bool FetchAndAnalyse();

  TUniqueStringList addresses_;
};

}  // namespace vlmr
